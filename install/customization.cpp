// Reading the customization block: a record's value field, and its text without trailing blanks.
#include "customization.h"

const char* CustomValue(CustomRecord record) {
  int index = static_cast<int>(record);
  if (index < kFirstLabelledRecord || index >= kFirstLabelledRecord + kCustomLabelledCount) {
    return nullptr;
  }
  const unsigned char* blockEnd = CustomizationBlock.bytes + kCustomBlockSize;
  // The label starts at the record's second byte and ends at the first blank; a patched block
  // without one must not send the scan past the block.
  const unsigned char* p = CustomRecordTable[index] + 1;
  while (p < blockEnd && *p != ' ') ++p;
  if (p + 8 >= blockEnd) return nullptr;
  return reinterpret_cast<const char*>(p + 8);
}

void TrimCopy(char* destination, size_t capacity, const char* value) {
  size_t length = 0;
  if (value != nullptr) {
    while (length < capacity - 1 && value[length] != '\0') ++length;
    while (length > 0 && value[length - 1] == ' ') --length;
    for (size_t i = 0; i < length; ++i) destination[i] = value[i];
  }
  destination[length] = '\0';
}
