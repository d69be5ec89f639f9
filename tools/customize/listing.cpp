#include "listing.h"

#include <stdint.h>

#include "block_file.h"
#include "code_page_1252.h"

namespace customize {

namespace {

// `text` padded with `fill` to `width` characters, on the right or the left.
std::string PadRight(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string PadLeft(std::string text, size_t width, char fill) {
  if (text.size() < width) text.insert(0, width - text.size(), fill);
  return text;
}

// At least four hex digits, so 16-bit values line up.
std::string Hex(uint32_t number) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[number & 0xF]);
    number >>= 4;
  } while (number != 0);
  return "0x" + PadLeft(digits, 4, '0');
}

// A text value for the terminal: its code page 1252 bytes as UTF-8, in double quotes, with a
// quote or backslash preceded by a backslash and control characters written as \xNN.
std::string QuoteForDisplay(std::string_view text) {
  std::string quoted = "\"";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      quoted += QuoteText(std::string_view(&ch, 1)).substr(1, 4);
    } else if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += ch;
    } else {
      quoted += Cp1252ToUtf8(std::string_view(&ch, 1));
    }
  }
  return quoted + "\"";
}

bool IsNumber(RecordKind kind) { return kind == RecordKind::kNumber || kind == RecordKind::kCount; }

}  // namespace

std::string FormatListing(const std::vector<RecordValue>& records) {
  std::string listing = "index  label                   width  type    value\n";
  for (const RecordValue& record : records) {
    listing += PadLeft(std::to_string(record.index), 5, ' ') + "  ";
    listing += PadRight(record.label, 22) + "  ";
    listing += PadLeft(std::to_string(record.width), 5, ' ') + "  ";
    listing += PadRight(IsNumber(record.kind) ? "number" : "text", 6) + "  ";
    listing += IsNumber(record.kind)
                   ? std::to_string(record.number) + " (" + Hex(record.number) + ")"
                   : QuoteForDisplay(record.text);
    listing += '\n';
  }
  return listing;
}

}  // namespace customize
