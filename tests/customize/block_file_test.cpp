// Finding, checking, reading and patching the customization block in a file's bytes.
#include "block_file.h"

#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "block_fixture.h"
#include "customization.h"

namespace {

using customize::LocateBlock;
using customize::ReadRecords;
using customize::RecordKind;
using customize::SetValue;

const CustomRecordLayout& Layout(CustomRecord record) { return CustomLayoutOf(record); }

// Appends the start marker and its NUL, as found in a file.
void AppendStartMarker(std::vector<unsigned char>* file) {
  const size_t at = file->size();
  file->resize(at + sizeof kCustomStartMarker);
  memcpy(file->data() + at, kCustomStartMarker, sizeof kCustomStartMarker);
}

std::string Field(const BlockFixture& fixture, const CustomRecordLayout& record) {
  const unsigned char* field = fixture.file.data() + fixture.ValueOffset(record);
  return std::string(reinterpret_cast<const char*>(field), record.length);
}

TEST(LocateBlock, FindsTheBlockAmongOtherBytes) {
  BlockFixture fixture = MakeFixture();
  size_t offset = 999;
  std::string error;
  ASSERT_TRUE(LocateBlock(fixture.file, &offset, &error)) << error;
  EXPECT_EQ(offset, fixture.blockOffset);
}

// The library builds its block from the same table; the tool must accept exactly that block, and
// the fixture the tests use must be that block too.
TEST(LocateBlock, AcceptsTheBlockTheLibraryIsBuiltWith) {
  std::span<const unsigned char> library(CustomizationBlock.bytes, kCustomBlockSize);
  size_t offset = 999;
  std::string error;
  ASSERT_TRUE(LocateBlock(library, &offset, &error)) << error;
  EXPECT_EQ(offset, 0u);

  BlockFixture fixture = MakeFixture();
  for (size_t i = 0; i < kCustomBlockSize; ++i) {
    EXPECT_EQ(fixture.block()[i], library[i]) << "block byte " << i;
  }
}

// Every byte outside the value fields is structure: changing any one of them must be refused,
// and changing any value byte must not.
TEST(LocateBlock, ChecksEveryStructureByteAndNoValueByte) {
  const BlockFixture original = MakeFixture();
  for (size_t i = 0; i < kCustomBlockSize; ++i) {
    for (unsigned char change : {0x01, 0x20, 0xFF}) {
      BlockFixture fixture = original;
      fixture.block()[i] ^= change;
      size_t offset = 999;
      std::string error;
      bool found = LocateBlock(fixture.file, &offset, &error);
      if (original.isValue[i]) {
        EXPECT_TRUE(found) << "value byte " << i << " ^ " << int(change) << ": " << error;
      } else {
        EXPECT_FALSE(found) << "structure byte " << i << " ^ " << int(change);
        EXPECT_FALSE(error.empty()) << "structure byte " << i;
        EXPECT_EQ(offset, 999u) << "structure byte " << i;
      }
    }
  }
}

TEST(LocateBlock, NamesTheByteThatBreaksTheLayout) {
  BlockFixture fixture = MakeFixture();
  const CustomRecordLayout& modemName = Layout(CustomRecord::ModemName);
  fixture.block()[modemName.start + 1 + strlen(modemName.label)] = 'X';
  size_t offset = 0;
  std::string error;
  ASSERT_FALSE(LocateBlock(fixture.file, &offset, &error));
  EXPECT_NE(error.find("byte 0x23E (record 15, ModemName: blank after the label)"), std::string::npos) << error;
  EXPECT_NE(error.find("is 0x58, expected 0x20"), std::string::npos) << error;
}

TEST(LocateBlock, RefusesFilesWithoutExactlyOneWholeBlock) {
  struct Case {
    const char* name;
    std::function<std::vector<unsigned char>()> make;
    const char* message;
  };
  const std::vector<unsigned char> block = MakeFixture(0, 0).file;
  const Case cases[] = {
      {"empty file", [] { return std::vector<unsigned char>(); }, "no customization block"},
      {"filler only", [] { return std::vector<unsigned char>(4096, kFiller); },
       "no customization block"},
      {"marker without its NUL",
       [] {
         BlockFixture f = MakeFixture();
         f.block()[strlen(kCustomStartMarker)] = 'X';
         return f.file;
       },
       "no customization block"},
      {"two blocks",
       [&] {
         std::vector<unsigned char> file = MakeFixture().file;
         file.insert(file.end(), block.begin(), block.end());
         return file;
       },
       "2 start markers"},
      {"a second marker alone, far from the block",
       [] {
         std::vector<unsigned char> file = MakeFixture().file;
         file.insert(file.end(), 5000, 0);
         AppendStartMarker(&file);
         return file;
       },
       "2 start markers"},
      {"block cut one byte short",
       [&] { return std::vector<unsigned char>(block.begin(), block.end() - 1); }, "cut off"},
      {"marker at the very end",
       [] {
         std::vector<unsigned char> file(100, kFiller);
         AppendStartMarker(&file);
         return file;
       },
       "cut off"},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> file = c.make();
    size_t offset = 999;
    std::string error;
    EXPECT_FALSE(LocateBlock(file, &offset, &error)) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(offset, 999u) << c.name;
  }
}

TEST(ReadRecords, GivesEveryRecordAsTheLibraryReadsIt) {
  BlockFixture fixture = MakeFixture();
  std::vector<customize::RecordValue> records =
      ReadRecords(std::span<const unsigned char>(fixture.block(), kCustomBlockSize));
  ASSERT_EQ(records.size(), static_cast<size_t>(kCustomRecordCount));

  EXPECT_EQ(records[0].kind, RecordKind::kStartMarker);
  EXPECT_EQ(records[0].text, kCustomStartMarker);
  EXPECT_EQ(records[1].kind, RecordKind::kCount);
  EXPECT_EQ(records[1].number, 15u);
  EXPECT_EQ(records[17].kind, RecordKind::kEndMarker);
  EXPECT_EQ(records[17].text, kCustomEndMarker);
  for (int i = 0; i < kCustomLabelledCount; ++i) {
    const CustomRecordLayout& layout = kCustomRecords[i];
    const customize::RecordValue& record = records[kFirstLabelledRecord + i];
    EXPECT_EQ(record.index, kFirstLabelledRecord + i) << layout.label;
    EXPECT_EQ(record.label, layout.label);
    EXPECT_EQ(record.width, layout.length) << layout.label;
    if (layout.type == kCustomText) {
      EXPECT_EQ(record.kind, RecordKind::kText) << layout.label;
      EXPECT_EQ(record.text, layout.text) << layout.label;
    } else {
      EXPECT_EQ(record.kind, RecordKind::kNumber) << layout.label;
      EXPECT_EQ(record.number, layout.number) << layout.label;
    }
  }
}

// Bytes of the file outside [from, from + count) are as in `original`.
void ExpectOnlyChanged(const BlockFixture& original, const BlockFixture& patched, size_t from,
                       size_t count, const std::string& what) {
  ASSERT_EQ(original.file.size(), patched.file.size()) << what;
  for (size_t i = 0; i < original.file.size(); ++i) {
    if (i >= from && i < from + count) continue;
    EXPECT_EQ(original.file[i], patched.file[i]) << what << ": file byte " << i;
  }
}

TEST(SetValue, WritesTextThenNulThenBlanks) {
  struct Case {
    CustomRecord record;
    std::string value;
    std::string field;  // the whole field afterwards
  };
  const Case cases[] = {
      {CustomRecord::ModemName, "Rebranded 9", std::string("Rebranded 9\0", 12) + std::string(9, ' ')},
      {CustomRecord::ModemName, "", std::string(1, '\0') + std::string(20, ' ')},
      {CustomRecord::ModemName, "A", std::string("A\0", 2) + std::string(19, ' ')},
      // As wide as the field: no NUL inside it, the record's terminator ends the text.
      {CustomRecord::ModemName, "123456789012345678901", "123456789012345678901"},
      {CustomRecord::Driver1ImageName, "abcdefgh", "abcdefgh"},
      {CustomRecord::Driver1ImageName, "abcdefg", std::string("abcdefg\0", 8)},
      {CustomRecord::DefaultPath, "C:\\Program Files\\Modem", std::string("C:\\Program Files\\Modem\0", 23) + "     "},
      {CustomRecord::DummyValue, "  lead", std::string("  lead\0", 7) + "      "},
  };
  const BlockFixture original = MakeFixture();
  for (size_t row = 0; row < std::size(cases); ++row) {
    const Case& c = cases[row];
    const CustomRecordLayout& layout = Layout(c.record);
    const std::string what = "row " + std::to_string(row) + " " + layout.label;
    BlockFixture fixture = original;
    std::string error;
    ASSERT_TRUE(SetValue(&fixture.file, layout.label, c.value, &error)) << what << ": " << error;
    EXPECT_EQ(Field(fixture, layout), c.field) << what;
    EXPECT_EQ(fixture.file[fixture.ValueOffset(layout) + layout.length], 0) << what << ": terminator";
    ExpectOnlyChanged(original, fixture, fixture.ValueOffset(layout), layout.length, what);

    std::vector<customize::RecordValue> records =
        ReadRecords(std::span<const unsigned char>(fixture.block(), kCustomBlockSize));
    EXPECT_EQ(records[static_cast<int>(c.record)].text, c.value) << what;
  }
}

// The command line gives UTF-8; the field holds code page 1252, as the library reads it.
TEST(SetValue, WritesUtf8TextInCodePage1252) {
  struct Case {
    std::string value;
    std::string stored;
  } cases[] = {
      {"M\xC3\xBCller GmbH", "M\xFCller GmbH"},
      {"Modem \xE2\x82\xAC 56", "Modem \x80 56"},  // the euro sign is 0x80 in 1252
      {"\xC3\x85ngstr\xC3\xB6m", "\xC5ngstr\xF6m"},
  };
  const BlockFixture original = MakeFixture();
  const CustomRecordLayout& layout = Layout(CustomRecord::LongManufacturerLabel);
  for (size_t row = 0; row < std::size(cases); ++row) {
    BlockFixture fixture = original;
    std::string error;
    ASSERT_TRUE(SetValue(&fixture.file, layout.label, cases[row].value, &error)) << "row " << row << ": " << error;
    std::vector<customize::RecordValue> records =
        ReadRecords(std::span<const unsigned char>(fixture.block(), kCustomBlockSize));
    EXPECT_EQ(records[static_cast<int>(CustomRecord::LongManufacturerLabel)].text, cases[row].stored) << "row " << row;
    EXPECT_EQ(Field(fixture, layout).substr(0, cases[row].stored.size() + 1), cases[row].stored + std::string(1, '\0'))
        << "row " << row;
  }
}

TEST(SetValue, WritesNumbersLittleEndian) {
  struct Case {
    const char* value;
    uint16_t number;
  };
  const Case cases[] = {
      {"0", 0},           {"1", 1},           {"65535", 0xFFFF},   {"4660", 0x1234},
      {"007", 7},         {"0x10B5", 0x10B5}, {"0X10b5", 0x10B5},  {"0xffff", 0xFFFF},
      {"0x0", 0},         {"0x0000FFFF", 0xFFFF}, {"00000000000000000000065535", 0xFFFF},
  };
  const BlockFixture original = MakeFixture();
  const CustomRecordLayout& layout = Layout(CustomRecord::SubVendorID);
  for (size_t row = 0; row < std::size(cases); ++row) {
    const Case& c = cases[row];
    const std::string what = "row " + std::to_string(row) + " \"" + c.value + "\"";
    BlockFixture fixture = original;
    std::string error;
    ASSERT_TRUE(SetValue(&fixture.file, layout.label, c.value, &error)) << what << ": " << error;
    const size_t at = fixture.ValueOffset(layout);
    EXPECT_EQ(fixture.file[at], c.number & 0xFF) << what;
    EXPECT_EQ(fixture.file[at + 1], c.number >> 8) << what;
    ExpectOnlyChanged(original, fixture, at, layout.length, what);
  }
}

TEST(SetValue, RefusesAndLeavesTheFileAlone) {
  struct Case {
    const char* label;
    std::string value;
    const char* message;  // part of the reason given
  };
  const Case cases[] = {
      {"ModemName", "1234567890123456789012", "holds 21"},
      {"Driver1ImageName", "abcdefghi", "holds 8"},
      {"ModemName", std::string("Modem\0X", 7), "a NUL"},
      {"ModemName", "Tab\there", "a control character (0x09)"},
      {"ModemName", "Line\n", "a control character (0x0A)"},
      {"ModemName", "Del\x7F", "a control character (0x7F)"},
      {"ModemName", "Ohm \xCE\xA9", "U+03A9, which code page 1252"},  // no 1252 byte for it
      {"ModemName", "Caf\xE9", "not UTF-8 at byte 3"},                // a 1252 byte, not UTF-8
      {"ModemName", "C1 \xC2\x85", "U+0085"},                        // a C1 control character
      {"ModemName", "Trailing ", "ends with a blank"},
      {"ModemName", " ", "ends with a blank"},
      // Spelled with its NUL, it would be a second start marker in the file.
      {"ModemName", kCustomStartMarker, "second start marker"},
      {"LongManufacturerLabel", std::string("x") + kCustomStartMarker, "start markers"},
      {"modemname", "Rebranded 9", "no record is labelled \"modemname\""},
      {"NoSuchLabel", "1", "no record is labelled"},
      {"", "1", "no record is labelled"},
      {"(start marker)", "1", "no record is labelled"},
      {"DeviceID", "65536", "largest is 65535"},
      {"DeviceID", "0x10000", "largest is 65535"},
      {"DeviceID", "99999999999999999999999999", "largest is 65535"},
      {"DeviceID", "0xFFFFFFFFFFFFFFFFFFFF", "largest is 65535"},
      {"DeviceID", "", "not a number"},
      {"DeviceID", "-1", "not a number"},
      {"DeviceID", "+1", "not a number"},
      {"DeviceID", " 1", "not a number"},
      {"DeviceID", "1 ", "not a number"},
      {"DeviceID", "12a", "not a number"},
      {"DeviceID", "0x", "not a number"},
      {"DeviceID", "0xG1", "not a number"},
      {"DeviceID", "1e3", "not a number"},
      {"DeviceID", "0b101", "not a number"},
      {"DeviceID", "x10", "not a number"},
  };
  const BlockFixture original = MakeFixture();
  for (size_t row = 0; row < std::size(cases); ++row) {
    const Case& c = cases[row];
    BlockFixture fixture = original;
    std::string error;
    EXPECT_FALSE(SetValue(&fixture.file, c.label, c.value, &error)) << "row " << row;
    EXPECT_NE(error.find(c.message), std::string::npos) << "row " << row << ": " << error;
    EXPECT_EQ(fixture.file, original.file) << "row " << row;
  }
}

TEST(SetValue, RefusesAFileWhoseBlockItCannotTrust) {
  struct Case {
    const char* name;
    std::function<void(BlockFixture&)> spoil;
  };
  const Case cases[] = {
      {"width of ModemName changed",
       [](BlockFixture& f) {
         const CustomRecordLayout& r = Layout(CustomRecord::ModemName);
         f.block()[r.start + 1 + strlen(r.label) + 1] = 22;
       }},
      {"type of DeviceID changed",
       [](BlockFixture& f) {
         const CustomRecordLayout& r = Layout(CustomRecord::DeviceID);
         f.block()[r.start + strlen(r.label) + 7] = kCustomText;
       }},
      {"terminator after ModemName overwritten",
       [](BlockFixture& f) {
         const CustomRecordLayout& r = Layout(CustomRecord::ModemName);
         f.block()[r.start + strlen(r.label) + 9 + r.length] = ' ';
       }},
      {"count 14", [](BlockFixture& f) { f.block()[20] = 14; }},
      {"end marker moved", [](BlockFixture& f) { f.block()[656] = 0; }},
      {"second block",
       [](BlockFixture& f) {
         std::vector<unsigned char> again = MakeFixture(0, 0).file;
         f.file.insert(f.file.end(), again.begin(), again.end());
       }},
  };
  for (const Case& c : cases) {
    BlockFixture fixture = MakeFixture();
    c.spoil(fixture);
    const std::vector<unsigned char> spoiled = fixture.file;
    std::string error;
    EXPECT_FALSE(SetValue(&fixture.file, "ModemName", "Rebranded 9", &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
    EXPECT_EQ(fixture.file, spoiled) << c.name;
  }
}

TEST(FindLabel, MatchesLabelsExactly) {
  for (const CustomRecordLayout& record : kCustomRecords) {
    // Each file has its own copy of the constexpr table, so the records compare by content.
    const CustomRecordLayout* found = customize::FindLabel(record.label);
    ASSERT_NE(found, nullptr) << record.label;
    EXPECT_STREQ(found->label, record.label);
    EXPECT_EQ(found->start, record.start) << record.label;
  }
  EXPECT_EQ(customize::FindLabel("ModemName "), nullptr);
  EXPECT_EQ(customize::FindLabel("Modem"), nullptr);
  EXPECT_EQ(customize::FindLabel(std::string_view("ModemName\0", 10)), nullptr);
}

TEST(QuoteText, EscapesWhatCouldDisturbTheTerminal) {
  struct Case {
    std::string text;
    const char* quoted;
  };
  const Case cases[] = {
      {"Kelo MQX 56", "\"Kelo MQX 56\""},
      {"", "\"\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {std::string("\x01\x1B[2J\0\x7F\xE9", 8), "\"\\x01\\x1B[2J\\x00\\x7F\\xE9\""},
  };
  for (size_t row = 0; row < std::size(cases); ++row) {
    EXPECT_EQ(customize::QuoteText(cases[row].text), cases[row].quoted) << "row " << row;
  }
}

}  // namespace
