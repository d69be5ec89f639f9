// The PE image checksum kept true after a patch.
#include "pe_checksum.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using customize::PeChecksumOffset;
using customize::RefreshPeChecksum;

constexpr size_t kChecksumAt = 0x98;  // optional header at 0x58, its CheckSum 64 bytes in

void Put16(std::vector<unsigned char>& file, size_t at, uint32_t value) {
  file[at] = static_cast<unsigned char>(value);
  file[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(std::vector<unsigned char>& file, size_t at, uint32_t value) {
  Put16(file, at, value & 0xFFFF);
  Put16(file, at + 2, value >> 16);
}

uint32_t Get32(const std::vector<unsigned char>& file, size_t at) {
  return file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) |
         (static_cast<uint32_t>(file[at + 3]) << 24);
}

// The smallest image the code accepts: 256 bytes, zero but for the MZ signature (word 0x5A4D),
// the pointer to the PE header (0x0040 at 0x3C), "PE\0\0" (0x4550), the optional header's size
// (0x00E0) and its PE32 magic (0x010B). Words: 0xA1C8; with the length 0x100: 0xA2C8.
std::vector<unsigned char> TinyImage() {
  std::vector<unsigned char> file(0x100, 0);
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3C, 0x40);
  file[0x40] = 'P';
  file[0x41] = 'E';
  Put16(file, 0x44 + 16, 0xE0);
  Put16(file, 0x58, 0x10B);
  Put32(file, kChecksumAt, 0x11111111);
  return file;
}
constexpr uint32_t kTinyChecksum = 0xA2C8;

TEST(PeChecksum, MatchesTheSumWorkedByHand) {
  struct Case {
    const char* name;
    std::function<void(std::vector<unsigned char>&)> change;
    uint32_t checksum;
  };
  const Case cases[] = {
      {"as built", [](std::vector<unsigned char>&) {}, kTinyChecksum},
      // 0xFFFF is zero in end-around-carry addition: a sum that forgets the carry differs.
      {"words that carry",
       [](std::vector<unsigned char>& f) {
         Put16(f, 0xA0, 0xFFFF);
         Put16(f, 0xA2, 0xFFFF);
       },
       kTinyChecksum},
      {"odd length", [](std::vector<unsigned char>& f) { f.push_back(0x07); }, 0xA1C8 + 7 + 0x101},
      {"old checksum not counted",
       [](std::vector<unsigned char>& f) { Put32(f, kChecksumAt, 0xDEADBEEF); }, kTinyChecksum},
      {"a patched byte", [](std::vector<unsigned char>& f) { f[0xF0] = 0x10; }, kTinyChecksum + 0x10},
      {"PE32+ magic", [](std::vector<unsigned char>& f) { Put16(f, 0x58, 0x20B); },
       kTinyChecksum - 0x10B + 0x20B},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> file = TinyImage();
    c.change(file);
    ASSERT_EQ(PeChecksumOffset(file), kChecksumAt) << c.name;
    std::vector<unsigned char> before = file;
    EXPECT_TRUE(RefreshPeChecksum(file)) << c.name;
    EXPECT_EQ(Get32(file, kChecksumAt), c.checksum) << c.name;
    for (size_t i = 0; i < file.size(); ++i) {
      if (i < kChecksumAt || i >= kChecksumAt + 4) {
        EXPECT_EQ(file[i], before[i]) << c.name << " byte " << i;
      }
    }
  }
}

// A file that is not a PE image, or one whose linker left the checksum out, is not touched.
TEST(PeChecksum, LeavesOtherFilesAlone) {
  struct Case {
    const char* name;
    std::function<std::vector<unsigned char>()> make;
  };
  const Case cases[] = {
      {"checksum left out",
       [] {
         auto f = TinyImage();
         Put32(f, kChecksumAt, 0);
         return f;
       }},
      {"ELF file",
       [] {
         std::vector<unsigned char> f(0x100, 0);
         f[0] = 0x7F, f[1] = 'E', f[2] = 'L', f[3] = 'F';
         return f;
       }},
      {"empty", [] { return std::vector<unsigned char>(); }},
      {"MZ alone", [] { return std::vector<unsigned char>{'M', 'Z'}; }},
      {"no PE signature",
       [] {
         auto f = TinyImage();
         f[0x41] = 'X';
         return f;
       }},
      {"header pointer past the end",
       [] {
         auto f = TinyImage();
         Put32(f, 0x3C, 0xF0);
         return f;
       }},
      {"header pointer that would wrap",
       [] {
         auto f = TinyImage();
         Put32(f, 0x3C, 0xFFFFFFF0);
         return f;
       }},
      {"cut before the checksum",
       [] {
         auto f = TinyImage();
         f.resize(kChecksumAt + 2);
         return f;
       }},
      {"unknown optional header magic",
       [] {
         auto f = TinyImage();
         Put16(f, 0x58, 0x107);
         return f;
       }},
      {"optional header too small to hold the checksum",
       [] {
         auto f = TinyImage();
         Put16(f, 0x44 + 16, 64);
         return f;
       }},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> file = c.make();
    const std::vector<unsigned char> before = file;
    EXPECT_FALSE(RefreshPeChecksum(file)) << c.name;
    EXPECT_EQ(file, before) << c.name;
  }
}

}  // namespace
