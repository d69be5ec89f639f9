// Numbers read as the C library's "%i" and "%u" read them.
#include <gtest/gtest.h>

#include <limits.h>

#include "number_text.h"

namespace {

TEST(NumberText, IntegersReadAsPercentI) {
  struct Case {
    const char* text;
    bool read;
    int value;
  } cases[] = {
      {"3", true, 3},           {"12", true, 12},        {"12 4 8", true, 12},
      {"010", true, 8},         {"08", true, 0},         {"0x1F", true, 31},
      {"0X1f", true, 31},       {"0x", true, 0},         {"  -5", true, -5},
      {"+7", true, 7},          {"4294967297", true, INT_MAX},
      {"-99999999999", true, INT_MIN},
      {"", false, 0},           {"abc", false, 0},       {"-", false, 0},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    int value = -12345;
    EXPECT_EQ(ScanInteger(cases[row].text, &value), cases[row].read) << "row " << row;
    if (cases[row].read) {
      EXPECT_EQ(value, cases[row].value) << "row " << row;
    } else {
      EXPECT_EQ(value, -12345) << "row " << row << ": untouched";
    }
  }
}

TEST(NumberText, UnsignedReadAsPercentU) {
  struct Case {
    const char* text;
    bool read;
    unsigned value;
  } cases[] = {
      {"4", true, 4},         {" 8x", true, 8},       {"010", true, 10},
      {"-1", true, 4294967295u}, {"99999999999", true, 4294967295u},
      {"", false, 0},         {"x4", false, 0},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    unsigned value = 777;
    EXPECT_EQ(ScanUnsigned(cases[row].text, &value), cases[row].read) << "row " << row;
    EXPECT_EQ(value, cases[row].read ? cases[row].value : 777u) << "row " << row;
  }
}

}  // namespace
