// The customization block as the library reads it: every product-specific text comes from here,
// at the moment of use.
#pragma once

#include <stddef.h>

#include "customization_layout.h"

// The 672 bytes of the block, in initialized data. Not const: the values are patched in the built
// file, so the compiler must never fold them into the code that reads them.
struct CustomizationBytes {
  unsigned char bytes[kCustomBlockSize];
};
extern CustomizationBytes CustomizationBlock;

// Address of each record's first byte, in index order 0 to 17.
extern const unsigned char* const CustomRecordTable[kCustomRecordCount];

// Address of the value field of a labelled record: past the label's closing blank, the length,
// the type and their blanks. The length and type bytes are not consulted. Returns null for an
// index outside 2 to 16.
const char* CustomValue(CustomRecord record);

// Copies the text value at `value` without its trailing blanks into `destination`, which holds
// `capacity` bytes (at least 1), and terminates it. The value ends at its first NUL; a value
// longer than capacity - 1 characters is cut. A null value, or one of blanks only, yields "".
void TrimCopy(char* destination, size_t capacity, const char* value);
