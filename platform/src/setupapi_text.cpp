// 16-bit text helpers of the simulated device installer.
#include "setupapi_text.h"

#include <string.h>

namespace winsim {
namespace setupapi {

char16_t UpperChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  // Latin-1 small letters sit 0x20 above their capitals; the division sign does not.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  return c;
}

std::u16string Upper(const std::u16string& text) {
  std::u16string out = text;
  for (char16_t& c : out) c = UpperChar(c);
  return out;
}

std::u16string Lower(const std::u16string& text) {
  std::u16string out = text;
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
    else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c = static_cast<char16_t>(c + 0x20);
  }
  return out;
}

bool SameText(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

bool LessText(const std::u16string& a, const std::u16string& b) {
  size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    char16_t x = UpperChar(a[i]);
    char16_t y = UpperChar(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool StartsWithText(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (const char* p = ascii; *p != '\0'; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::u16string* out, uint32_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    *out += static_cast<char16_t>(kHexDigits[(value >> shift) & 0xF]);
  }
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reads `digits` hex digits at text[*at]; false on anything else.
bool ReadHex(const std::u16string& text, size_t* at, int digits, uint32_t* value) {
  *value = 0;
  for (int i = 0; i < digits; ++i, ++*at) {
    if (*at >= text.size()) return false;
    int digit = HexValue(text[*at]);
    if (digit < 0) return false;
    *value = (*value << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

bool Expect(const std::u16string& text, size_t* at, char16_t c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

}  // namespace

std::u16string GuidText(const GUID& guid) {
  std::u16string out = u"{";
  AppendHex(&out, guid.Data1, 8);
  out += u'-';
  AppendHex(&out, guid.Data2, 4);
  out += u'-';
  AppendHex(&out, guid.Data3, 4);
  out += u'-';
  AppendHex(&out, guid.Data4[0], 2);
  AppendHex(&out, guid.Data4[1], 2);
  out += u'-';
  for (int i = 2; i < 8; ++i) AppendHex(&out, guid.Data4[i], 2);
  out += u'}';
  return out;
}

bool ParseGuid(const std::u16string& text, GUID* guid) {
  size_t at = 0;
  uint32_t value;
  GUID parsed;
  if (text.size() != 38 || !Expect(text, &at, u'{')) return false;
  if (!ReadHex(text, &at, 8, &value)) return false;
  parsed.Data1 = value;
  if (!Expect(text, &at, u'-') || !ReadHex(text, &at, 4, &value)) return false;
  parsed.Data2 = static_cast<uint16_t>(value);
  if (!Expect(text, &at, u'-') || !ReadHex(text, &at, 4, &value)) return false;
  parsed.Data3 = static_cast<uint16_t>(value);
  if (!Expect(text, &at, u'-')) return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(text, &at, u'-')) return false;
    if (!ReadHex(text, &at, 2, &value)) return false;
    parsed.Data4[i] = static_cast<uint8_t>(value);
  }
  if (!Expect(text, &at, u'}')) return false;
  *guid = parsed;
  return true;
}

bool SameGuid(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

std::u16string FourDigits(int number) {
  std::u16string out(4, u'0');
  for (int i = 3; i >= 0; --i, number /= 10) out[i] = static_cast<char16_t>(u'0' + number % 10);
  return out;
}

int FourDigitNumber(const std::u16string& name) {
  if (name.size() != 4) return -1;
  int number = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return -1;
    number = number * 10 + (c - u'0');
  }
  return number;
}

void CopyBounded(const std::u16string& text, WCHAR* buffer, size_t capacity) {
  if (capacity == 0) return;
  size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
  memcpy(buffer, text.data(), length * sizeof(WCHAR));
  buffer[length] = 0;
}

}  // namespace setupapi
}  // namespace winsim
