// MultiByteToWideChar, WideCharToMultiByte, GetACP and lstrlenW. The simulated system's ANSI code
// page is 1252; UTF-8 is the only other code page it converts. 1252 here has no "best fit"
// mapping: a character it cannot hold becomes the default character.
#include "code_page.h"

#include <string.h>
#include <windows.h>

namespace winsim {
namespace {

// 0x80..0x9F of code page 1252; the undefined bytes keep their own number.
const char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t AnsiCharToWide(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh1252[c - 0x80] : c; }

// The 1252 byte of a character, or -1 when the code page has none.
int WideCharToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i) {
    if (kHigh1252[i] == c) return 0x80 + i;
  }
  return -1;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::u16string AnsiToWide(const char* text, size_t length) {
  std::u16string wide(length, u'\0');
  for (size_t i = 0; i < length; ++i) wide[i] = AnsiCharToWide(static_cast<unsigned char>(text[i]));
  return wide;
}

std::string WideToAnsi(const char16_t* text, size_t length, bool* usedDefault) {
  std::string ansi(length, '\0');
  for (size_t i = 0; i < length; ++i) {
    int c = WideCharToAnsi(text[i]);
    if (c < 0) {
      c = '?';
      if (usedDefault != nullptr) *usedDefault = true;
    }
    ansi[i] = static_cast<char>(c);
  }
  return ansi;
}

bool IsAnsiCharacter(char16_t c) { return WideCharToAnsi(c) >= 0; }

std::u16string Utf8ToWide(const char* text, size_t length, bool* invalid) {
  std::u16string wide;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) {
    unsigned char lead = p[i];
    if (lead < 0x80) {
      wide += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    int trail = lead >= 0xF0 && lead <= 0xF4  ? 3
                : lead >= 0xE0                ? 2
                : lead >= 0xC2 && lead < 0xE0 ? 1
                                              : -1;
    if (lead > 0xF4) trail = -1;
    char32_t code = trail == 3 ? lead & 0x07 : trail == 2 ? lead & 0x0F : lead & 0x1F;
    size_t taken = 1;
    bool good = trail > 0;
    for (int k = 0; good && k < trail; ++k) {
      if (i + taken >= length || (p[i + taken] & 0xC0) != 0x80) {
        good = false;
        break;
      }
      code = (code << 6) | (p[i + taken] & 0x3F);
      ++taken;
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed too.
    if (good &&
        ((trail == 2 && code < 0x800) || (trail == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
         (code >= 0xD800 && code <= 0xDFFF))) {
      good = false;
      taken = 1;
    }
    if (!good) {
      if (invalid != nullptr) *invalid = true;
      wide += u'\xFFFD';
      i += taken;  // the lead and any trail bytes that belonged to it
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      wide += static_cast<char16_t>(0xD800 + (code >> 10));
      wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      wide += static_cast<char16_t>(code);
    }
    i += taken;
  }
  return wide;
}

std::string WideToUtf8(const char16_t* text, size_t length) {
  std::string utf8;
  for (size_t i = 0; i < length; ++i) {
    char32_t code = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (code >> 18));
      utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

}  // namespace winsim

namespace {

bool IsAnsiCodePage(UINT codePage) { return codePage == CP_ACP || codePage == 1252; }

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

// The OEM code page is not simulated: nothing in the product converts through it.
extern "C" int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source,
                                          int sourceLength, LPWSTR destination,
                                          int destinationLength) {
  if (!IsAnsiCodePage(codePage) && codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0 ||
      (destination == nullptr && destinationLength > 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  size_t length = sourceLength == -1 ? strlen(source) + 1 : static_cast<size_t>(sourceLength);
  std::u16string wide;
  if (codePage == CP_UTF8) {
    bool invalid = false;
    wide = winsim::Utf8ToWide(source, length, &invalid);
    if (invalid && (flags & MB_ERR_INVALID_CHARS) != 0) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  } else {
    wide = winsim::AnsiToWide(source, length);
  }
  if (destinationLength == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(destinationLength)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  memcpy(destination, wide.data(), wide.size() * sizeof(WCHAR));
  return static_cast<int>(wide.size());
}

extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR source,
                                          int sourceLength, LPSTR destination,
                                          int destinationLength, LPCSTR defaultChar,
                                          LPBOOL usedDefaultChar) {
  if (!IsAnsiCodePage(codePage) && codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0 ||
      (destination == nullptr && destinationLength > 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  // UTF-8 has no default character: it holds every character.
  if (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  size_t length = sourceLength == -1 ? std::char_traits<char16_t>::length(source) + 1
                                     : static_cast<size_t>(sourceLength);
  std::string bytes;
  if (codePage == CP_UTF8) {
    bytes = winsim::WideToUtf8(source, length);
  } else {
    bool used = false;
    bytes = winsim::WideToAnsi(source, length, &used);
    if (used && defaultChar != nullptr && *defaultChar != '\0') {
      for (size_t i = 0; i < length; ++i) {
        if (!winsim::IsAnsiCharacter(source[i])) bytes[i] = *defaultChar;
      }
    }
    if (usedDefaultChar != nullptr) *usedDefaultChar = used ? TRUE : FALSE;
  }
  if (destinationLength == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(destinationLength)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  memcpy(destination, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

extern "C" UINT WINAPI GetACP(void) { return 1252; }

extern "C" int WINAPI lstrlenW(LPCWSTR text) {
  return text == nullptr ? 0 : static_cast<int>(std::char_traits<char16_t>::length(text));
}
