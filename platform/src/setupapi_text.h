// 16-bit text as the device installer handles it: names that compare without regard to case,
// GUIDs in their registry spelling, four-digit instance and driver numbers.
#pragma once

#include <string>

#include <windows.h>

namespace winsim {
namespace setupapi {

// The capital of a character: ASCII and Latin-1 letters, which is what INF section names,
// instance ids and the fixtures' texts hold.
char16_t UpperChar(char16_t c);
std::u16string Upper(const std::u16string& text);
std::u16string Lower(const std::u16string& text);
bool SameText(const std::u16string& a, const std::u16string& b);
// Ordinal order of the capitals, as Windows orders names without regard to case.
bool LessText(const std::u16string& a, const std::u16string& b);
bool StartsWithText(const std::u16string& text, const std::u16string& prefix);

std::u16string Widen(const char* ascii);

// "{4D36E96D-E325-11CE-BFC1-08002BE10318}": braces, upper-case hex digits.
std::u16string GuidText(const GUID& guid);
// Reads that form, in either case; false for anything else.
bool ParseGuid(const std::u16string& text, GUID* guid);
bool SameGuid(const GUID& a, const GUID& b);

// "0000" to "9999".
std::u16string FourDigits(int number);
// The number of a four-digit decimal name, or -1.
int FourDigitNumber(const std::u16string& name);

// Copies `text` into a fixed buffer of `capacity` characters, cut to fit, always terminated.
void CopyBounded(const std::u16string& text, WCHAR* buffer, size_t capacity);

}  // namespace setupapi
}  // namespace winsim
