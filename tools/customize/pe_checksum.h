// The image checksum in a PE file's optional header, kept true after the file's bytes change.
#pragma once

#include <stdint.h>

#include <span>

namespace customize {

// Offset of the CheckSum field when `file` is a PE image (MZ header, "PE\0\0" signature and a
// PE32 or PE32+ optional header that holds the field, all inside the file); 0 otherwise.
size_t PeChecksumOffset(std::span<const unsigned char> file);

// The checksum of `file` as the linker computes it: the 16-bit words of the file, with the
// CheckSum field at `checksumOffset` counted as zero, added with end-around carry, plus the
// file's length in bytes.
uint32_t ComputePeChecksum(std::span<const unsigned char> file, size_t checksumOffset);

// Recomputes the CheckSum field of a PE image whose field is not zero; a zero field means the
// linker left it out, and it stays so. Leaves any other file alone. Returns true when it wrote.
bool RefreshPeChecksum(std::span<unsigned char> file);

}  // namespace customize
