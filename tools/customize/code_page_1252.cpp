#include "code_page_1252.h"

#include <stdint.h>
#include <stdio.h>

namespace customize {
namespace {

// Characters of the bytes 0x80 to 0x9F; 0 where 1252 defines none.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The 1252 byte of `c`, or -1.
int Cp1252Byte(uint32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return 0x80 + i;
  }
  return -1;
}

}  // namespace

bool Utf8ToCp1252(std::string_view utf8, std::string* cp1252, std::string* error) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    uint32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8 either.
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (c < kLeast[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) valid = false;
    if (!valid) {
      *error = "the text is not UTF-8 at byte " + std::to_string(i);
      return false;
    }
    int byte = Cp1252Byte(c);
    if (byte < 0) {
      char name[16];
      snprintf(name, sizeof name, "U+%04X", c);
      *error = std::string("the text holds ") + name +
               ", which code page 1252, the library's 8-bit text, has no byte for";
      return false;
    }
    out += static_cast<char>(byte);
    i += length;
  }
  *cp1252 = out;
  return true;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  for (char ch : cp1252) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x80 && c < 0xA0) {
      uint16_t mapped = kHighControls[c - 0x80];
      if (mapped == 0) {
        char escape[8];
        snprintf(escape, sizeof escape, "\\x%02X", c);
        out += escape;
      } else {
        AppendUtf8(mapped, &out);
      }
    } else {
      AppendUtf8(c, &out);
    }
  }
  return out;
}

}  // namespace customize
