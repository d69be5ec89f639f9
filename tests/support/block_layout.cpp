#include "block_layout.h"

#include <string.h>

#include "customization_layout.h"

namespace {

uint32_t ReadUint32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

std::vector<std::string> BlockLayoutProblems(const unsigned char* block) {
  std::vector<std::string> problems;
  auto expect = [&](bool holds, const std::string& what) {
    if (!holds) problems.push_back(what);
  };
  expect(memcmp(block, kCustomStartMarker, sizeof kCustomStartMarker) == 0, "start marker at 0");
  expect(block[18] == 0 && block[19] == 0, "two zero bytes after the start marker");
  expect(ReadUint32(block + 20) == 15 && ReadUint32(block + 24) == 0, "count record 15 at 20");
  for (const CustomRecordLayout& record : kCustomRecords) {
    const unsigned char* p = block + record.start;
    size_t labelLength = strlen(record.label);
    std::string at = std::string(record.label) + " at " + std::to_string(record.start);
    expect(record.start % 4 == 0, at + ": start is a multiple of 4");
    expect(p[0] == ' ' && memcmp(p + 1, record.label, labelLength) == 0 && p[labelLength + 1] == ' ',
           at + ": blank, label, blank");
    expect(ReadUint32(p + labelLength + 2) == record.length, at + ": length");
    expect(p[labelLength + 6] == ' ' && p[labelLength + 7] == record.type && p[labelLength + 8] == ' ',
           at + ": blank, type, blank");
    expect(p[labelLength + 9 + record.length] == 0, at + ": terminator after the value field");
    size_t end = record.start + labelLength + record.length + 10;
    for (size_t i = end; i % 4 != 0; ++i) expect(block[i] == 0, at + ": zero padding");
  }
  expect(memcmp(block + 656, kCustomEndMarker, sizeof kCustomEndMarker) == 0, "end marker at 656");
  return problems;
}
