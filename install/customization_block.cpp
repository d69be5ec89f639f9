// The customization block's bytes, built at compile time from the layout table, and the table of
// record addresses.
#include "customization.h"

namespace {

constexpr void PutText(unsigned char* out, const char* text) {
  for (size_t i = 0; text[i] != '\0'; ++i) out[i] = static_cast<unsigned char>(text[i]);
}

constexpr void PutUint32(unsigned char* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

constexpr CustomizationBytes BuildBlock() {
  CustomizationBytes block{};  // zero bytes wherever nothing else is written
  PutText(block.bytes, kCustomStartMarker);
  PutUint32(block.bytes + kCustomStartRecordSize, kCustomLabelledCount);
  for (const CustomRecordLayout& record : kCustomRecords) {
    unsigned char* out = block.bytes + record.start;
    size_t labelLength = CustomLabelLength(record.label);
    out[0] = ' ';
    PutText(out + 1, record.label);
    out[labelLength + 1] = ' ';
    PutUint32(out + labelLength + 2, record.length);
    out[labelLength + 6] = ' ';
    out[labelLength + 7] = record.type;
    out[labelLength + 8] = ' ';
    unsigned char* value = out + CustomValueOffset(record);
    if (record.type == kCustomText) {
      size_t textLength = CustomLabelLength(record.text);
      PutText(value, record.text);
      // The text, its NUL, then blanks to the field's width.
      for (size_t i = textLength + 1; i < record.length; ++i) value[i] = ' ';
    } else {
      value[0] = static_cast<unsigned char>(record.number);
      value[1] = static_cast<unsigned char>(record.number >> 8);
    }
    // value[length] stays 0: the record's terminator.
  }
  PutText(block.bytes + kCustomEndStart, kCustomEndMarker);
  return block;
}

constexpr const unsigned char* RecordAddress(int index) {
  if (index == 0) return CustomizationBlock.bytes;
  if (index == 1) return CustomizationBlock.bytes + kCustomStartRecordSize;
  if (index == kCustomRecordCount - 1) return CustomizationBlock.bytes + kCustomEndStart;
  return CustomizationBlock.bytes + kCustomRecords[index - kFirstLabelledRecord].start;
}

}  // namespace

constinit CustomizationBytes CustomizationBlock = BuildBlock();

const unsigned char* const CustomRecordTable[kCustomRecordCount] = {
    RecordAddress(0),  RecordAddress(1),  RecordAddress(2),  RecordAddress(3),  RecordAddress(4),
    RecordAddress(5),  RecordAddress(6),  RecordAddress(7),  RecordAddress(8),  RecordAddress(9),
    RecordAddress(10), RecordAddress(11), RecordAddress(12), RecordAddress(13), RecordAddress(14),
    RecordAddress(15), RecordAddress(16), RecordAddress(17),
};
