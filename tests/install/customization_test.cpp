// The customization block in memory: its layout, the value of each record, and how a patched
// value is read.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "block_layout.h"
#include "customization.h"

namespace {

std::string Trimmed(const char* value, size_t capacity = 128) {
  char text[128];
  memset(text, 'q', sizeof text);
  TrimCopy(text, capacity, value);
  return text;
}

TEST(Customization, BlockHasTheLayoutItIsPatchedBy) {
  for (const std::string& problem : BlockLayoutProblems(CustomizationBlock.bytes)) ADD_FAILURE() << problem;
  EXPECT_EQ(sizeof CustomizationBlock, 672u);
  EXPECT_EQ(CustomRecordTable[0], CustomizationBlock.bytes);
  EXPECT_EQ(CustomRecordTable[1], CustomizationBlock.bytes + 20);
  EXPECT_EQ(CustomRecordTable[17], CustomizationBlock.bytes + 656);
}

TEST(Customization, EveryRecordReadsItsBuiltInValue) {
  for (int index = 2; index <= 16; ++index) {
    const CustomRecordLayout& layout = kCustomRecords[index - 2];
    const char* value = CustomValue(static_cast<CustomRecord>(index));
    EXPECT_EQ(CustomRecordTable[index], CustomizationBlock.bytes + layout.start) << layout.label;
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(value),
              CustomizationBlock.bytes + layout.start + strlen(layout.label) + 9)
        << layout.label;
    if (layout.type == kCustomText) {
      EXPECT_EQ(Trimmed(value), layout.text) << layout.label;
    } else {
      const unsigned char* bytes = reinterpret_cast<const unsigned char*>(value);
      EXPECT_EQ(bytes[0] | (bytes[1] << 8), layout.number) << layout.label;
    }
  }
  EXPECT_EQ(CustomValue(static_cast<CustomRecord>(1)), nullptr);
  EXPECT_EQ(CustomValue(static_cast<CustomRecord>(17)), nullptr);
}

TEST(Customization, BuiltInTextsAsThePackageShipsThem) {
  EXPECT_EQ(Trimmed(CustomValue(CustomRecord::InstallationAppTitle)), "Kelo MQX/56");
  EXPECT_EQ(Trimmed(CustomValue(CustomRecord::ModemName)), "Kelo MQX 56");
  // "mdmobra.inf" and its NUL fill the 12-byte field; the record's terminator follows.
  EXPECT_EQ(memcmp(CustomValue(CustomRecord::ModemInfTarget), "mdmobra.inf\0\0", 13), 0);
}

TEST(Customization, TrimCopyDropsOnlyTrailingBlanks) {
  struct Case {
    const char* value;
    size_t capacity;
    const char* expected;
  } cases[] = {
      {"Kelo MQX/56\0         ", 128, "Kelo MQX/56"},
      {"Kelo MQX 56   ", 128, "Kelo MQX 56"},
      {"  leading", 128, "  leading"},
      {"     ", 128, ""},
      {"", 128, ""},
      {"0123456789", 5, "0123"},  // cut to the destination, never past it
      {"abc   def", 5, "abc"},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    EXPECT_EQ(Trimmed(cases[row].value, cases[row].capacity), cases[row].expected) << "row " << row;
  }
  EXPECT_EQ(Trimmed(nullptr), "");
}

// Patches a record's value field in memory as the customize tool patches the file.
class PatchedBlock : public ::testing::Test {
 protected:
  void SetUp() override { memcpy(saved_, CustomizationBlock.bytes, sizeof saved_); }
  void TearDown() override { memcpy(CustomizationBlock.bytes, saved_, sizeof saved_); }
  void Patch(CustomRecord record, const std::string& field) {
    const CustomRecordLayout& layout = CustomLayoutOf(record);
    ASSERT_EQ(field.size(), layout.length);
    memcpy(const_cast<char*>(CustomValue(record)), field.data(), field.size());
  }

 private:
  unsigned char saved_[kCustomBlockSize];
};

TEST_F(PatchedBlock, ValueFillingItsFieldEndsAtTheRecordTerminator) {
  Patch(CustomRecord::ModemName, std::string(21, 'X'));
  EXPECT_EQ(Trimmed(CustomValue(CustomRecord::ModemName)), std::string(21, 'X'));
}

TEST_F(PatchedBlock, BlankOrEmptyValueReadsEmpty) {
  Patch(CustomRecord::ModemName, std::string(21, ' '));
  EXPECT_EQ(Trimmed(CustomValue(CustomRecord::ModemName)), "");
  Patch(CustomRecord::LongCardLabel, std::string(1, '\0') + std::string(30, ' '));
  EXPECT_EQ(Trimmed(CustomValue(CustomRecord::LongCardLabel)), "");
}

}  // namespace
