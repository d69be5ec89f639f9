// The text `customize show` prints for a block: one line per record.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "block_file.h"

namespace customize {

// A heading line, then one line per record of `records`: index, label, width in bytes, type
// (text or number) and value. Texts are quoted (QuoteText); numbers are shown in decimal and
// in 0x hex.
std::string FormatListing(const std::vector<RecordValue>& records);

}  // namespace customize
