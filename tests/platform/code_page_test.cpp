// Code page conversion as the product and the registry's A functions rely on it, pinned on both
// builds: the ANSI code page is 1252, and UTF-8 converts both ways.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "wide_text.h"

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

using WString = std::basic_string<WCHAR>;

std::string Units(const WString& text) {
  std::string out;
  char unit[8];
  for (WCHAR c : text) {
    snprintf(unit, sizeof unit, "%s%04x", out.empty() ? "" : " ", static_cast<unsigned>(c));
    out += unit;
  }
  return out;
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  char unit[8];
  for (unsigned char c : bytes) {
    snprintf(unit, sizeof unit, "%s%02x", out.empty() ? "" : " ", c);
    out += unit;
  }
  return out;
}

TEST(CodePage, TheAnsiCodePageIs1252) { EXPECT_EQ(GetACP(), 1252u); }

TEST(CodePage, AnsiBytesBecomeTheirCharacters) {
  struct Case {
    const char* bytes;
    WString expected;
  } cases[] = {
      {"Kelo", WTEXT("Kelo")},
      {"\xE9t\xE9", WTEXT("\x00E9t\x00E9")},
      {"\x80", WTEXT("\x20AC")},  // the euro sign
      {"\x8A\x9A\x9F", WTEXT("\x0160\x0161\x0178")},
      {"\x93\x94", WTEXT("\x201C\x201D")},
      {"\x81\x8D\x8F\x90\x9D",
       WTEXT("\x0081\x008D\x008F\x0090\x009D")},  // undefined: as C1 controls
      {"\xFF", WTEXT("\x00FF")},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    int length = static_cast<int>(strlen(c.bytes));
    WCHAR out[16];
    memset(out, 0x5A, sizeof out);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, c.bytes, length, nullptr, 0), length) << "row " << row;
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, c.bytes, length, out, 16), length) << "row " << row;
    EXPECT_EQ(Units(WString(out, length)), Units(c.expected)) << "row " << row;
    EXPECT_EQ(out[length], 0x5A5A) << "row " << row << ": no terminator for a counted source";
    // And back again, without a default character.
    char back[16];
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, out, length, back, sizeof back, nullptr, &usedDefault),
              length)
        << "row " << row;
    EXPECT_EQ(std::string(back, length), std::string(c.bytes)) << "row " << row;
    EXPECT_FALSE(usedDefault) << "row " << row;
  }
}

TEST(CodePage, ATerminatedSourceIsConvertedWithItsTerminator) {
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 4);
  EXPECT_EQ(WString(wide), WString(WTEXT("abc")));
  char narrow[8];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr), 4);
  EXPECT_STREQ(narrow, "abc");
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr), 4);
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeTheDefault) {
  const WCHAR text[] = {'a', 0x4E00, 0x263A, 'b', 0};
  char out[8];
  BOOL usedDefault = FALSE;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 4, out, sizeof out, nullptr, &usedDefault), 4);
  EXPECT_EQ(std::string(out, 4), "a??b");
  EXPECT_TRUE(usedDefault);
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 4, out, sizeof out, "*", nullptr), 4);
  EXPECT_EQ(std::string(out, 4), "a**b");
}

TEST(CodePage, Utf8ConvertsBothWays) {
  struct Case {
    std::string utf8;
    WString wide;
  } cases[] = {
      {"Kelo", WTEXT("Kelo")},
      {"\xC3\xA9t\xC3\xA9", WTEXT("\x00E9t\x00E9")},
      {"\xE2\x82\xAC", WTEXT("\x20AC")},
      {"\xF0\x9F\x98\x80", WTEXT("\xD83D\xDE00")},  // beyond the 16-bit plane: a surrogate pair
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    WCHAR wide[16];
    int units =
        MultiByteToWideChar(CP_UTF8, 0, c.utf8.data(), static_cast<int>(c.utf8.size()), wide, 16);
    EXPECT_EQ(Units(WString(wide, units > 0 ? units : 0)), Units(c.wide)) << "row " << row;
    char bytes[16];
    int length = WideCharToMultiByte(CP_UTF8, 0, c.wide.data(), static_cast<int>(c.wide.size()),
                                     bytes, sizeof bytes, nullptr, nullptr);
    EXPECT_EQ(HexBytes(std::string(bytes, length > 0 ? length : 0)), HexBytes(c.utf8))
        << "row " << row;
  }
}

TEST(CodePage, MalformedUtf8BecomesTheReplacementCharacterOrFails) {
  const char bad[] = "\xC3(z";  // a lead byte without its trail byte
  WCHAR wide[8];
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, bad, 3, wide, 8), 3);
  EXPECT_EQ(Units(WString(wide, 3)), Units(WTEXT("\xFFFD(z")));
  SetLastError(kSentinel);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, 3, wide, 8), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
  // An unpaired surrogate has no UTF-8 form either.
  const WCHAR lone[] = {0xD800, 'a'};
  char bytes[8];
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 2, bytes, sizeof bytes, nullptr, nullptr), 4);
  EXPECT_EQ(HexBytes(std::string(bytes, 4)), "ef bf bd 61");
}

TEST(CodePage, FailuresReturnZeroAndSetTheLastError) {
  struct Case {
    const char* label;
    int (*call)();
    DWORD error;
  } cases[] = {
      {"destination too small",
       [] {
         WCHAR w[2];
         return MultiByteToWideChar(CP_ACP, 0, "abc", 3, w, 2);
       },
       ERROR_INSUFFICIENT_BUFFER},
      {"8-bit destination too small",
       [] {
         char n[2];
         return WideCharToMultiByte(CP_ACP, 0, WTEXT("abc"), 3, n, 2, nullptr, nullptr);
       },
       ERROR_INSUFFICIENT_BUFFER},
      {"empty counted source",
       [] {
         WCHAR w[2];
         return MultiByteToWideChar(CP_ACP, 0, "abc", 0, w, 2);
       },
       ERROR_INVALID_PARAMETER},
      {"no source",
       [] {
         WCHAR w[2];
         return MultiByteToWideChar(CP_ACP, 0, nullptr, 3, w, 2);
       },
       ERROR_INVALID_PARAMETER},
      {"unknown code page",
       [] {
         WCHAR w[2];
         return MultiByteToWideChar(12345, 0, "abc", 3, w, 2);
       },
       ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(c.call(), 0) << c.label;
    EXPECT_EQ(GetLastError(), c.error) << c.label;
  }
}

TEST(CodePage, LengthOf16BitText) {
  EXPECT_EQ(lstrlenW(WTEXT("Kelo MQX")), 8);
  EXPECT_EQ(lstrlenW(WTEXT("")), 0);
  EXPECT_EQ(lstrlenW(nullptr), 0);
}

}  // namespace
