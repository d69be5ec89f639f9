// wsprintfA as the product uses it: numbers, texts, widths, and its 1024-byte limit.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>

#include <windows.h>

namespace {

TEST(Format, FormatsAsWindowsDoes) {
  struct Case {
    std::function<int(char*)> format;
    const char* expected;
  } cases[] = {
      {[](char* out) { return wsprintfA(out, "COM%i", 12); }, "COM12"},
      {[](char* out) { return wsprintfA(out, "oemnad%d.inf", 9999); }, "oemnad9999.inf"},
      {[](char* out) { return wsprintfA(out, "%d|%i|%u", -5, 0, 4000000000u); }, "-5|0|4000000000"},
      {[](char* out) { return wsprintfA(out, "%2d|%-3d|%03d", 7, 7, 7); }, " 7|7  |007"},
      {[](char* out) { return wsprintfA(out, "%x|%X|%#x|%lu", 0xBEEF, 0xBEEF, 0x1F, 42ul); }, "beef|BEEF|0x1f|42"},
      {[](char* out) { return wsprintfA(out, "%s\\%s|%.3s|%5s|%c|%%", "C:", "x", "abcdef", "ab", 'Z'); },
       "C:\\x|abc|   ab|Z|%"},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    char out[64];
    memset(out, '#', sizeof out);
    int written = cases[row].format(out);
    EXPECT_STREQ(out, cases[row].expected) << "row " << row;
    EXPECT_EQ(written, static_cast<int>(strlen(cases[row].expected))) << "row " << row;
  }
}

// The output fills at most 1024 bytes, terminator included, whatever the arguments.
TEST(Format, OutputIsCutAtTheLimit) {
  std::string longText(3000, 'x');
  char out[2048];
  memset(out, '#', sizeof out);
  // A cut output is counted as the whole buffer; the product never relies on that count.
  EXPECT_EQ(wsprintfA(out, "%s%s", longText.c_str(), "tail"), 1024);
  EXPECT_EQ(strlen(out), 1023u);
  EXPECT_EQ(out[1024], '#');
}

}  // namespace
