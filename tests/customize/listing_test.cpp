// The lines `customize show` prints.
#include "listing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "block_fixture.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> ListingOf(BlockFixture& fixture) {
  return Lines(customize::FormatListing(
      customize::ReadRecords(std::span<const unsigned char>(fixture.block(), kCustomBlockSize))));
}

TEST(FormatListing, ShowsIndexLabelWidthTypeAndValue) {
  BlockFixture fixture = MakeFixture();
  std::vector<std::string> lines = ListingOf(fixture);
  ASSERT_EQ(lines.size(), 1u + kCustomRecordCount);
  EXPECT_EQ(lines[0], "index  label                   width  type    value");
  struct Case {
    int index;
    const char* line;
  };
  const Case cases[] = {
      {0, "    0  (start marker)             17  text    \"AAAAAA Start Data\""},
      {1, "    1  (record count)              4  number  15 (0x000F)"},
      {2, "    2  InstallationAppTitle       21  text    \"Kelo MQX/56\""},
      {5, "    5  ShortManufacturerLabel     33  text    \"Ombrel\""},
      {11, "   11  DeviceID                    2  number  36944 (0x9050)"},
      {12, "   12  VendorID                    2  number  4277 (0x10B5)"},
      {14, "   14  SubVendorID                 2  number  65534 (0xFFFE)"},
      {15, "   15  ModemName                  21  text    \"Kelo MQX 56\""},
      {17, "   17  (end marker)               15  text    \"zzzzzz End Data\""},
  };
  for (const Case& c : cases) EXPECT_EQ(lines[1 + c.index], c.line) << "record " << c.index;
}

// Values inside fields are whatever a file holds; the listing must show them without passing
// raw bytes to the terminal, and as the library reads them.
TEST(FormatListing, ShowsOddFieldContentEscaped) {
  struct Case {
    std::string field;  // the ModemName field's 21 bytes
    const char* shown;
  };
  const Case cases[] = {
      // Code page 1252 bytes come out as UTF-8: 0xE9 is é, 0x80 the euro sign; a byte 1252
      // leaves undefined is escaped like a control character.
      {std::string("a\"b\\c\x01\xE9\x80\x81", 9) + std::string(1, '\0') + std::string(11, ' '),
       "\"a\\\"b\\\\c\\x01\xC3\xA9\xE2\x82\xAC\\x81\""},
      // Up to the first NUL; what follows it is not part of the text.
      {std::string("ab\0cd", 5) + std::string(16, 'z'), "\"ab\""},
      // Full width: the record's terminator ends it.
      {std::string(21, 'w'), "\"wwwwwwwwwwwwwwwwwwwww\""},
      // Trailing blanks are not part of a text.
      {std::string("ab   ") + std::string(16, ' '), "\"ab\""},
      {std::string(21, '\0'), "\"\""},
  };
  const CustomRecordLayout& modemName = CustomLayoutOf(CustomRecord::ModemName);
  for (size_t row = 0; row < std::size(cases); ++row) {
    BlockFixture fixture = MakeFixture();
    memcpy(fixture.file.data() + fixture.ValueOffset(modemName), cases[row].field.data(),
           modemName.length);
    std::vector<std::string> lines = ListingOf(fixture);
    EXPECT_EQ(lines[1 + 15], std::string("   15  ModemName                  21  text    ") +
                                 cases[row].shown)
        << "row " << row;
  }
}

TEST(FormatListing, ShowsNumbersInDecimalAndHex) {
  struct Case {
    unsigned char low, high;
    const char* shown;
  };
  const Case cases[] = {
      {0x00, 0x00, "0 (0x0000)"},
      {0x0A, 0x00, "10 (0x000A)"},
      {0xFF, 0xFF, "65535 (0xFFFF)"},
      {0x34, 0x12, "4660 (0x1234)"},
  };
  const CustomRecordLayout& deviceId = CustomLayoutOf(CustomRecord::DeviceID);
  for (size_t row = 0; row < std::size(cases); ++row) {
    BlockFixture fixture = MakeFixture();
    fixture.file[fixture.ValueOffset(deviceId)] = cases[row].low;
    fixture.file[fixture.ValueOffset(deviceId) + 1] = cases[row].high;
    std::vector<std::string> lines = ListingOf(fixture);
    EXPECT_EQ(lines[1 + 11], std::string("   11  DeviceID                    2  number  ") +
                                 cases[row].shown)
        << "row " << row;
  }
}

}  // namespace
