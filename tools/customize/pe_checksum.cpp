#include "pe_checksum.h"

namespace customize {

namespace {

uint32_t Read16(std::span<const unsigned char> file, size_t at) {
  return file[at] | (file[at + 1] << 8);
}

uint32_t Read32(std::span<const unsigned char> file, size_t at) {
  return Read16(file, at) | (Read16(file, at + 2) << 16);
}

constexpr size_t kNewHeaderPointer = 0x3C;     // e_lfanew in the MZ header
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kOptionalHeaderSizeField = 16;  // in the COFF header
constexpr size_t kChecksumField = 64;            // in the optional header, PE32 and PE32+ alike

}  // namespace

size_t PeChecksumOffset(std::span<const unsigned char> file) {
  if (file.size() < kNewHeaderPointer + 4 || file[0] != 'M' || file[1] != 'Z') return 0;
  const size_t signature = Read32(file, kNewHeaderPointer);
  const size_t coff = signature + 4;
  const size_t optional = coff + kCoffHeaderSize;
  // Compared against the size left, so a wild pointer cannot overflow the sum.
  if (signature > file.size() || file.size() - signature < 4 + kCoffHeaderSize + kChecksumField + 4) {
    return 0;
  }
  if (file[signature] != 'P' || file[signature + 1] != 'E' || file[signature + 2] != 0 ||
      file[signature + 3] != 0) {
    return 0;
  }
  const uint32_t magic = Read16(file, optional);
  if (magic != 0x10B && magic != 0x20B) return 0;
  if (Read16(file, coff + kOptionalHeaderSizeField) < kChecksumField + 4) return 0;
  return optional + kChecksumField;
}

uint32_t ComputePeChecksum(std::span<const unsigned char> file, size_t checksumOffset) {
  // The field's own bytes count as zero, wherever they fall in the words.
  auto byte = [&](size_t at) -> uint32_t {
    if (at >= file.size() || (at >= checksumOffset && at < checksumOffset + 4)) return 0;
    return file[at];
  };
  uint32_t sum = 0;
  for (size_t at = 0; at < file.size(); at += 2) {
    sum += byte(at) | (byte(at + 1) << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + static_cast<uint32_t>(file.size());
}

bool RefreshPeChecksum(std::span<unsigned char> file) {
  const size_t offset = PeChecksumOffset(file);
  if (offset == 0 || Read32(file, offset) == 0) return false;
  const uint32_t checksum = ComputePeChecksum(file, offset);
  for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<unsigned char>(checksum >> (8 * i));
  return true;
}

}  // namespace customize
