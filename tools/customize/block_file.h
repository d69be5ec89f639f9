// The customization block inside a built install file: finding it, checking its structure against
// the layout table, reading its records and rewriting one value in place. Works on the file's
// bytes in memory; reading and replacing the file is replace_file's concern.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "customization_layout.h"

namespace customize {

// Finds the one block in `file` and checks every structural byte of it. On success stores the
// block's offset in the file in *offset and returns true. On failure returns false with *offset
// unchanged and the reason in *error: no start marker, more than one, a block cut off by the
// end of the file, or a structural byte that differs from the layout.
bool LocateBlock(std::span<const unsigned char> file, size_t* offset, std::string* error);

enum class RecordKind { kStartMarker, kCount, kText, kNumber, kEndMarker };

// One record as the library would read it.
struct RecordValue {
  int index;           // 0 to 17
  std::string label;   // the layout's label; a description for records 0, 1 and 17
  size_t width;        // bytes of the value field (of the marker text, of the count)
  RecordKind kind;
  std::string text;    // kText and markers: up to the first NUL, trailing blanks dropped
  uint32_t number;     // kNumber and kCount
};

// The 18 records of a block whose structure LocateBlock accepted; `block` holds
// kCustomBlockSize bytes.
std::vector<RecordValue> ReadRecords(std::span<const unsigned char> block);

// The layout of the labelled record called `label` (exact, case-sensitive match), or null.
// Records 0, 1 and 17 have no label and are never returned: they are structure, not values.
const CustomRecordLayout* FindLabel(std::string_view label);

// Encodes `value` for the field of `record` into `field`, which receives record.length bytes.
// Text: the text, a NUL and blanks to the width; a text exactly as wide as the field has no NUL
// (the record's terminator after the field ends it). Number: decimal or 0x/0X hex, 0 to 65535,
// 16-bit little-endian. On refusal returns false, leaves `field` untouched and says why in
// *error. Refused texts:
//   - longer than the field;
//   - holding a NUL or a control character (below 0x20, or 0x7F): the library reads an 8-bit
//     text up to its NUL, and a control character has no place in a name or path;
//   - not UTF-8, or holding a character that code page 1252 has no byte for: the value is
//     given in UTF-8 and stored as the library reads it, in code page 1252, the ANSI code page
//     through which it converts its texts;
//   - ending with a blank: the library drops trailing blanks, so the value it would answer with
//     is not the one given.
// Refused numbers: empty, a sign, blanks, any non-digit, a bare "0x", or a value over 65535.
bool EncodeValue(const CustomRecordLayout& record, std::string_view value,
                 std::vector<unsigned char>* field, std::string* error);

// Rewrites the value of the record `label` in the block found in `file`. On refusal returns
// false with `file` unchanged and the reason in *error: anything LocateBlock, FindLabel or
// EncodeValue refuses, and a text that would spell a second start marker into the file.
bool SetValue(std::vector<unsigned char>* file, std::string_view label, std::string_view value,
              std::string* error);

// `text` in double quotes, a double quote or backslash in it preceded by a backslash and every
// byte outside printable ASCII written as \xNN, so a value read from a file cannot disturb the
// terminal.
std::string QuoteText(std::string_view text);

}  // namespace customize
