// Checks a customization block's bytes against the layout the library is built with; used on
// the block in memory and on the block found in the built library file.
#pragma once

#include <string>
#include <vector>

// Problems found in the 672 bytes at `block`, as readable texts; empty when the layout holds.
std::vector<std::string> BlockLayoutProblems(const unsigned char* block);
