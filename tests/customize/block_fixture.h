// A small library file for the customize tests: filler bytes around one customization block that
// is written field by field from the record format, independently of the tool's own structure
// table, so a byte the tool checks wrongly or not at all shows up as a difference.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "customization_layout.h"

struct BlockFixture {
  std::vector<unsigned char> file;
  size_t blockOffset = 0;
  std::vector<bool> isValue;  // per block byte: inside a value field, so free to hold anything

  unsigned char* block() { return file.data() + blockOffset; }
  // Offset in the file of the value field of `record`.
  size_t ValueOffset(const CustomRecordLayout& record) const {
    return blockOffset + record.start + strlen(record.label) + 9;
  }
};

// Filler that is neither zero nor blank, so a write that lands outside the block shows.
constexpr unsigned char kFiller = 0xCC;

inline void PutUint32(unsigned char* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The 672 bytes of a block holding the layout table's built-in values; *isValue receives, per
// byte, whether it belongs to a value field.
inline std::vector<unsigned char> BuildFixtureBlock(std::vector<bool>* isValue) {
  std::vector<unsigned char> block(kCustomBlockSize, 0);
  isValue->assign(kCustomBlockSize, false);
  memcpy(block.data(), kCustomStartMarker, strlen(kCustomStartMarker));  // NUL and 2 zeros follow
  PutUint32(block.data() + 20, 15);
  for (const CustomRecordLayout& record : kCustomRecords) {
    size_t at = record.start;
    block[at++] = ' ';
    memcpy(block.data() + at, record.label, strlen(record.label));
    at += strlen(record.label);
    block[at++] = ' ';
    PutUint32(block.data() + at, record.length);
    at += 4;
    block[at++] = ' ';
    block[at++] = record.type;
    block[at++] = ' ';
    for (size_t i = 0; i < record.length; ++i) (*isValue)[at + i] = true;
    if (record.type == kCustomText) {
      size_t length = strlen(record.text);
      memcpy(block.data() + at, record.text, length);
      for (size_t i = length + 1; i < record.length; ++i) block[at + i] = ' ';
    } else {
      block[at] = static_cast<unsigned char>(record.number);
      block[at + 1] = static_cast<unsigned char>(record.number >> 8);
    }
    // The terminator after the field and the padding to 4 stay zero.
  }
  memcpy(block.data() + 656, kCustomEndMarker, strlen(kCustomEndMarker));
  return block;
}

// `before` filler bytes, the block, `after` filler bytes. The odd default offset keeps the block
// off any alignment the code might silently assume.
inline BlockFixture MakeFixture(size_t before = 37, size_t after = 19) {
  BlockFixture fixture;
  std::vector<unsigned char> block = BuildFixtureBlock(&fixture.isValue);
  fixture.file.assign(before, kFiller);
  fixture.file.insert(fixture.file.end(), block.begin(), block.end());
  fixture.file.insert(fixture.file.end(), after, kFiller);
  fixture.blockOffset = before;
  return fixture;
}
