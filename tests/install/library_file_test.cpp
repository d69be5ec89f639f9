// The customization block inside the built library file: found once by its markers, with the
// layout the customize tool relies on and the built-in values.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "block_layout.h"
#include "customization_layout.h"
#include "test_system.h"

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  unsigned char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  fclose(file);
  return bytes;
}

TEST(LibraryFile, HoldsOneBlockWithItsLayoutAndValues) {
  std::vector<unsigned char> file = ReadFile(InstallLibraryFile());
  ASSERT_FALSE(file.empty()) << InstallLibraryFile();

  std::vector<size_t> starts;
  for (size_t i = 0; i + sizeof kCustomStartMarker <= file.size(); ++i) {
    if (memcmp(&file[i], kCustomStartMarker, sizeof kCustomStartMarker) == 0) starts.push_back(i);
  }
  ASSERT_EQ(starts.size(), 1u);
  ASSERT_LE(starts[0] + kCustomBlockSize, file.size());
  const unsigned char* block = &file[starts[0]];
  for (const std::string& problem : BlockLayoutProblems(block)) ADD_FAILURE() << problem;
  // The span ends with the end marker's terminator.
  EXPECT_EQ(block[kCustomBlockSize - 1], 0);
  EXPECT_EQ(memcmp(block + kCustomBlockSize - sizeof kCustomEndMarker, kCustomEndMarker,
                   sizeof kCustomEndMarker), 0);

  for (const CustomRecordLayout& record : kCustomRecords) {
    const unsigned char* value = block + record.start + strlen(record.label) + 9;
    if (record.type == kCustomText) {
      std::string text = reinterpret_cast<const char*>(value);
      EXPECT_EQ(text, record.text) << record.label;
      for (size_t i = text.size() + 1; i < record.length; ++i) {
        EXPECT_EQ(value[i], ' ') << record.label << " byte " << i;
      }
    } else {
      EXPECT_EQ(value[0] | (value[1] << 8), record.number) << record.label;
    }
  }
}

}  // namespace
