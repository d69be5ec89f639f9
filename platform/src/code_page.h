// Text conversions of the simulated system, for the platform's own use: the ANSI code page (1252)
// and UTF-8 to and from 16-bit text. Unlike the Win32 functions over them these never fail and
// never touch the last error, so the registry's A functions can use them freely.
#pragma once

#include <string>

namespace winsim {

// Every byte has a character in 1252; the five bytes the code page leaves undefined map to the
// C1 control of the same number, as Windows maps them.
std::u16string AnsiToWide(const char* text, size_t length);
// Characters 1252 cannot hold become '?' and set *usedDefault when it is given.
std::string WideToAnsi(const char16_t* text, size_t length, bool* usedDefault = nullptr);
bool IsAnsiCharacter(char16_t c);

// Malformed sequences become U+FFFD and set *invalid when it is given.
std::u16string Utf8ToWide(const char* text, size_t length, bool* invalid = nullptr);
// An unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const char16_t* text, size_t length);

}  // namespace winsim
