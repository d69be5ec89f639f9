#include "block_file.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <array>

#include "code_page_1252.h"

namespace customize {

namespace {

constexpr size_t LabelLength(const CustomRecordLayout& record) {
  return CustomLabelLength(record.label);
}

// The tool writes the value where the library reads it; both follow the record format spelled out
// in the layout header, so a change there that breaks it must not build.
constexpr bool ValueOffsetsFollowFormat() {
  for (const CustomRecordLayout& record : kCustomRecords) {
    // blank, label, blank, 4 bytes of length, blank, type, blank
    if (CustomValueOffset(record) != LabelLength(record) + 9) return false;
    if (CustomRecordSize(record) != CustomValueOffset(record) + record.length + 1) return false;
  }
  return true;
}
static_assert(ValueOffsetsFollowFormat(), "customization value offsets");
static_assert(kCustomStartRecordSize == sizeof kCustomStartMarker + 2, "start record size");
static_assert(kCustomCountRecordSize == 8, "count record size");

// What one byte of the block must hold. A free byte belongs to a value field and may hold
// anything; every other byte is structure.
struct StructureByte {
  bool assigned = false;
  bool free = false;
  unsigned char expected = 0;
  int record = -1;
  const char* part = nullptr;
};

using Structure = std::array<StructureByte, kCustomBlockSize>;

// Marks bytes [offset, offset + count) of `structure`; `bytes` is null for a value field.
constexpr void Mark(Structure& structure, bool& overlap, size_t offset, const unsigned char* bytes,
                    size_t count, int record, const char* part) {
  for (size_t i = 0; i < count; ++i) {
    StructureByte& b = structure[offset + i];
    if (b.assigned) overlap = true;
    b.assigned = true;
    b.free = bytes == nullptr;
    b.expected = bytes != nullptr ? bytes[i] : 0;
    b.record = record;
    b.part = part;
  }
}

struct BuiltStructure {
  Structure bytes{};
  bool overlap = false;
};

constexpr BuiltStructure BuildStructure() {
  BuiltStructure built;
  Structure& s = built.bytes;
  bool& overlap = built.overlap;
  const unsigned char blank[1] = {' '};
  const unsigned char zeros[4] = {0, 0, 0, 0};

  unsigned char start[sizeof kCustomStartMarker] = {};
  for (size_t i = 0; i < sizeof kCustomStartMarker; ++i) {
    start[i] = static_cast<unsigned char>(kCustomStartMarker[i]);
  }
  Mark(s, overlap, 0, start, sizeof start, 0, "marker text");
  Mark(s, overlap, sizeof start, zeros, kCustomStartRecordSize - sizeof start, 0,
       "zero bytes after the marker");

  const unsigned char count[4] = {kCustomLabelledCount, 0, 0, 0};
  static_assert(kCustomLabelledCount < 256, "count fits its low byte");
  Mark(s, overlap, kCustomStartRecordSize, count, 4, 1, "count value");
  Mark(s, overlap, kCustomStartRecordSize + 4, zeros, 4, 1, "zero bytes after the value");

  for (int i = 0; i < kCustomLabelledCount; ++i) {
    const CustomRecordLayout& record = kCustomRecords[i];
    const int index = kFirstLabelledRecord + i;
    const size_t labelLength = LabelLength(record);
    size_t at = record.start;
    Mark(s, overlap, at, blank, 1, index, "blank before the label");
    at += 1;
    unsigned char label[64] = {};
    for (size_t k = 0; k < labelLength && k < sizeof label; ++k) {
      label[k] = static_cast<unsigned char>(record.label[k]);
    }
    Mark(s, overlap, at, label, labelLength, index, "label");
    at += labelLength;
    Mark(s, overlap, at, blank, 1, index, "blank after the label");
    at += 1;
    const unsigned char length[4] = {
        static_cast<unsigned char>(record.length), static_cast<unsigned char>(record.length >> 8),
        static_cast<unsigned char>(record.length >> 16),
        static_cast<unsigned char>(record.length >> 24)};
    Mark(s, overlap, at, length, 4, index, "value width");
    at += 4;
    Mark(s, overlap, at, blank, 1, index, "blank after the width");
    at += 1;
    const unsigned char type[1] = {record.type};
    Mark(s, overlap, at, type, 1, index, "value type");
    at += 1;
    Mark(s, overlap, at, blank, 1, index, "blank after the type");
    at += 1;
    Mark(s, overlap, at, nullptr, record.length, index, "value");
    at += record.length;
    Mark(s, overlap, at, zeros, 1, index, "terminator after the value");
    at += 1;
    Mark(s, overlap, at, zeros, CustomAlign4(at) - at, index, "zero padding");
  }

  unsigned char end[sizeof kCustomEndMarker] = {};
  for (size_t i = 0; i < sizeof kCustomEndMarker; ++i) {
    end[i] = static_cast<unsigned char>(kCustomEndMarker[i]);
  }
  Mark(s, overlap, kCustomEndStart, end, sizeof end, kCustomRecordCount - 1, "marker text");
  return built;
}

constexpr BuiltStructure kBuilt = BuildStructure();
constexpr const Structure& kStructure = kBuilt.bytes;

constexpr bool EveryByteAssignedOnce() {
  if (kBuilt.overlap) return false;
  for (const StructureByte& b : kStructure) {
    if (!b.assigned) return false;
  }
  return true;
}
static_assert(EveryByteAssignedOnce(), "the structure covers the block byte for byte");

// `digits` is at most 3 here, so "0x" and a 64-bit value's 16 digits always fit.
std::string Hex(size_t value, int digits) {
  char text[32];
  snprintf(text, sizeof text, "0x%0*zX", digits, value);
  return text;
}

std::string RecordName(int index) {
  if (index == 0) return "record 0, the start marker";
  if (index == 1) return "record 1, the record count";
  if (index == kCustomRecordCount - 1) return "record 17, the end marker";
  return "record " + std::to_string(index) + ", " + kCustomRecords[index - kFirstLabelledRecord].label;
}

uint32_t ReadUint32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The text the library would read from a field: up to the first NUL within the width, trailing
// blanks dropped.
std::string FieldText(const unsigned char* field, size_t width) {
  size_t length = 0;
  while (length < width && field[length] != 0) ++length;
  while (length > 0 && field[length - 1] == ' ') --length;
  return std::string(reinterpret_cast<const char*>(field), length);
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool ParseNumber(const CustomRecordLayout& record, std::string_view value, uint16_t* number,
                 std::string* error) {
  std::string_view digits = value;
  unsigned base = 10;
  if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  bool wellFormed = !digits.empty();
  for (char c : digits) {
    if (base == 16 ? !IsHexDigit(c) : !(c >= '0' && c <= '9')) wellFormed = false;
  }
  if (!wellFormed) {
    *error = QuoteText(value) + " is not a number for " + record.label +
             ": give decimal (0 to 65535) or 0x hex (0x0 to 0xFFFF)";
    return false;
  }
  // Stops growing once past the limit, so any number of digits is safe.
  uint32_t parsed = 0;
  for (char c : digits) {
    if (parsed <= 0xFFFF) parsed = parsed * base + DigitValue(c);
  }
  if (parsed > 0xFFFF) {
    *error = std::string(value) + " does not fit " + record.label +
             ", a 16-bit number: the largest is 65535 (0xFFFF)";
    return false;
  }
  *number = static_cast<uint16_t>(parsed);
  return true;
}

bool CheckText(const CustomRecordLayout& record, std::string_view value, std::string* error) {
  if (value.size() > record.length) {
    *error = QuoteText(value) + " is " + std::to_string(value.size()) + " characters; " +
             record.label + " holds " + std::to_string(record.length);
    return false;
  }
  for (size_t i = 0; i < value.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(value[i]);
    const char* problem = nullptr;
    if (c == 0) {
      problem = "a NUL";
    } else if (c < 0x20 || c == 0x7F) {
      problem = "a control character";
    }
    if (problem != nullptr) {
      *error = "the text for " + std::string(record.label) + " holds " + problem + " (" +
               Hex(c, 2) + ") at position " + std::to_string(i) + "; only printable text is taken";
      return false;
    }
  }
  if (!value.empty() && value.back() == ' ') {
    *error = "the text for " + std::string(record.label) +
             " ends with a blank, which the library drops when it reads the value";
    return false;
  }
  return true;
}

}  // namespace

std::string QuoteText(std::string_view text) {
  std::string quoted = "\"";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      quoted += ch;
    } else {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", c);
      quoted += escape;
    }
  }
  quoted += '"';
  return quoted;
}

bool LocateBlock(std::span<const unsigned char> file, size_t* offset, std::string* error) {
  const unsigned char* marker = reinterpret_cast<const unsigned char*>(kCustomStartMarker);
  const unsigned char* markerEnd = marker + sizeof kCustomStartMarker;  // with its NUL
  std::vector<size_t> starts;
  for (auto at = std::search(file.begin(), file.end(), marker, markerEnd); at != file.end();
       at = std::search(at + 1, file.end(), marker, markerEnd)) {
    starts.push_back(static_cast<size_t>(at - file.begin()));
  }
  if (starts.empty()) {
    *error = "no customization block: the start marker \"" + std::string(kCustomStartMarker) +
             "\" is nowhere in the file";
    return false;
  }
  if (starts.size() > 1) {
    *error = std::to_string(starts.size()) + " start markers, at " + Hex(starts[0], 1) + " and " +
             Hex(starts[1], 1) + (starts.size() > 2 ? " and more" : "") +
             ": cannot tell which block the library reads";
    return false;
  }
  const size_t start = starts[0];
  if (file.size() - start < kCustomBlockSize) {
    *error = "the block at " + Hex(start, 1) + " is cut off by the end of the file: " +
             std::to_string(file.size() - start) + " bytes left, " +
             std::to_string(kCustomBlockSize) + " needed";
    return false;
  }
  for (size_t i = 0; i < kCustomBlockSize; ++i) {
    const StructureByte& b = kStructure[i];
    const unsigned char actual = file[start + i];
    if (!b.free && actual != b.expected) {
      *error = "the block at " + Hex(start, 1) + " does not have the layout this tool knows: byte " +
               Hex(i, 3) + " (" + RecordName(b.record) + ": " + b.part + ") is " + Hex(actual, 2) +
               ", expected " + Hex(b.expected, 2);
      return false;
    }
  }
  *offset = start;
  return true;
}

std::vector<RecordValue> ReadRecords(std::span<const unsigned char> block) {
  std::vector<RecordValue> records;
  records.push_back({0, "(start marker)", sizeof kCustomStartMarker - 1, RecordKind::kStartMarker,
                     FieldText(block.data(), sizeof kCustomStartMarker), 0});
  records.push_back({1, "(record count)", 4, RecordKind::kCount, "",
                     ReadUint32(block.data() + kCustomStartRecordSize)});
  for (int i = 0; i < kCustomLabelledCount; ++i) {
    const CustomRecordLayout& layout = kCustomRecords[i];
    const unsigned char* field = block.data() + layout.start + CustomValueOffset(layout);
    RecordValue record{kFirstLabelledRecord + i, layout.label, layout.length, RecordKind::kText,
                       "", 0};
    if (layout.type == kCustomText) {
      record.text = FieldText(field, layout.length);
    } else {
      record.kind = RecordKind::kNumber;
      record.number = field[0] | (field[1] << 8);
    }
    records.push_back(record);
  }
  records.push_back({kCustomRecordCount - 1, "(end marker)", sizeof kCustomEndMarker - 1,
                     RecordKind::kEndMarker,
                     FieldText(block.data() + kCustomEndStart, sizeof kCustomEndMarker), 0});
  return records;
}

const CustomRecordLayout* FindLabel(std::string_view label) {
  for (const CustomRecordLayout& record : kCustomRecords) {
    if (label == record.label) return &record;
  }
  return nullptr;
}

bool EncodeValue(const CustomRecordLayout& record, std::string_view value,
                 std::vector<unsigned char>* field, std::string* error) {
  if (record.type == kCustomNumber) {
    uint16_t number = 0;
    if (!ParseNumber(record, value, &number, error)) return false;
    std::vector<unsigned char> bytes(record.length, 0);
    bytes[0] = static_cast<unsigned char>(number);
    bytes[1] = static_cast<unsigned char>(number >> 8);
    *field = std::move(bytes);
    return true;
  }
  // The command line gives UTF-8; the field holds the library's code page 1252 bytes.
  std::string text;
  if (!Utf8ToCp1252(value, &text, error)) {
    *error = "for " + std::string(record.label) + ", " + *error;
    return false;
  }
  if (!CheckText(record, text, error)) return false;
  std::vector<unsigned char> bytes(record.length, ' ');
  std::copy(text.begin(), text.end(), bytes.begin());
  if (text.size() < record.length) bytes[text.size()] = 0;
  *field = std::move(bytes);
  return true;
}

bool SetValue(std::vector<unsigned char>* file, std::string_view label, std::string_view value,
              std::string* error) {
  size_t offset = 0;
  if (!LocateBlock(*file, &offset, error)) return false;
  const CustomRecordLayout* record = FindLabel(label);
  if (record == nullptr) {
    std::string labels;
    for (const CustomRecordLayout& known : kCustomRecords) {
      labels += labels.empty() ? "" : ", ";
      labels += known.label;
    }
    *error = "no record is labelled " + QuoteText(label) + "; the labels are " + labels;
    return false;
  }
  std::vector<unsigned char> field;
  if (!EncodeValue(*record, value, &field, error)) return false;
  std::vector<unsigned char> patched = *file;
  std::copy(field.begin(), field.end(),
            patched.begin() + static_cast<std::ptrdiff_t>(offset + record->start +
                                                          CustomValueOffset(*record)));
  // A text that spells the start marker, followed by the NUL after it, would be a second start
  // marker, and the next run could no longer tell which block is the library's.
  size_t patchedOffset = 0;
  std::string patchedError;
  if (!LocateBlock(patched, &patchedOffset, &patchedError)) {
    *error = "the value " + QuoteText(value) + " for " + record->label +
             " would spell a second start marker into the file (" + patchedError + ")";
    return false;
  }
  *file = std::move(patched);
  return true;
}

}  // namespace customize
