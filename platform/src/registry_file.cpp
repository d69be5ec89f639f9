// Reading and writing .reg text.
#include "registry_file.h"

#include <stdio.h>

#include "code_page.h"
#include "registry_ops.h"

namespace winsim {
namespace registry {
namespace {

const char kHeader4[] = "REGEDIT4";
const char kHeader5[] = "Windows Registry Editor Version 5.00";
const char16_t kHeader4Wide[] = u"REGEDIT4";
const char16_t kHeader5Wide[] = u"Windows Registry Editor Version 5.00";

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string TrimRight(const std::u16string& text) {
  size_t end = text.size();
  while (end > 0 && (IsBlank(text[end - 1]) || text[end - 1] == u'\r')) --end;
  return text.substr(0, end);
}

size_t SkipBlanks(const std::u16string& text, size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

bool EqualsIgnoringCase(const std::u16string& a, const char16_t* b) {
  return SameName(a, std::u16string(b));
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::vector<BYTE> WideBytes(const std::u16string& text) {
  std::vector<BYTE> bytes(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<BYTE>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
  }
  return bytes;
}

std::u16string BytesToWide(const std::vector<BYTE>& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return text;
}

// The file's text as 16-bit characters, by its byte order mark or else by its header.
bool DecodeFile(const std::string& bytes, std::u16string* text, std::string* error) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) {
      *error = "UTF-16 text with an odd number of bytes";
      return false;
    }
    std::vector<BYTE> body(bytes.begin() + 2, bytes.end());
    *text = BytesToWide(body);
    return true;
  }
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB &&
      static_cast<unsigned char>(bytes[2]) == 0xBF) {
    *text = Utf8ToWide(bytes.data() + 3, bytes.size() - 3);
    return true;
  }
  if (StartsWith(bytes, kHeader4)) {
    *text = AnsiToWide(bytes.data(), bytes.size());
    return true;
  }
  if (StartsWith(bytes, kHeader5)) {
    bool invalid = false;
    *text = Utf8ToWide(bytes.data(), bytes.size(), &invalid);
    // Not UTF-8 after all: an editor saved it in the 8-bit code page.
    if (invalid) *text = AnsiToWide(bytes.data(), bytes.size());
    return true;
  }
  *error =
      "line 1: not a registry file (no REGEDIT4 or Windows Registry Editor Version 5.00 header)";
  return false;
}

class Parser {
 public:
  Parser(std::vector<std::u16string> lines, std::vector<RegEdit>* edits)
      : lines_(std::move(lines)), edits_(edits) {}

  bool Run(std::string* error) {
    size_t first = 0;
    while (first < lines_.size() && TrimRight(lines_[first]).empty()) ++first;
    std::u16string header = first < lines_.size() ? TrimRight(lines_[first]) : u"";
    if (header == kHeader4Wide) {
      ansi_ = true;
    } else if (header == kHeader5Wide) {
      ansi_ = false;
    } else {
      return Fail(first, "no REGEDIT4 or Windows Registry Editor Version 5.00 header", error);
    }
    for (size_t i = first + 1; i < lines_.size(); ++i) {
      std::u16string line = TrimRight(lines_[i]);
      size_t start = SkipBlanks(line, 0);
      if (start == line.size() || line[start] == u';') continue;
      std::string problem;
      size_t number = i;
      if (line[start] == u'[') {
        problem = KeyLine(line.substr(start));
      } else if (line[start] == u'"' || line[start] == u'@') {
        // A hex list continues on the next lines while a line ends with a backslash.
        std::u16string logical = line.substr(start);
        while (!logical.empty() && logical.back() == u'\\' && IsHexValue(logical) &&
               i + 1 < lines_.size()) {
          logical.pop_back();
          std::u16string next = TrimRight(lines_[++i]);
          logical += next.substr(SkipBlanks(next, 0));
        }
        problem = ValueLine(logical);
      } else {
        problem = "neither a key, a value nor a comment";
      }
      if (!problem.empty()) return Fail(number, problem, error);
    }
    return true;
  }

 private:
  bool Fail(size_t index, const std::string& problem, std::string* error) {
    *error = "line " + std::to_string(index + 1) + ": " + problem;
    edits_->clear();
    return false;
  }

  // True for a value line whose data is a hex list: the only data that goes on over lines.
  static bool IsHexValue(const std::u16string& line) {
    size_t at = 0;
    std::u16string name;
    if (line[0] == u'@') {
      at = 1;
    } else if (!QuotedText(line, &at, &name)) {
      return false;
    }
    at = SkipBlanks(line, at);
    if (at >= line.size() || line[at] != u'=') return false;
    at = SkipBlanks(line, at + 1);
    return line.compare(at, 3, u"hex") == 0;
  }

  std::string KeyLine(const std::u16string& line) {
    if (line.back() != u']') return "a key line must end with ']'";
    std::u16string inner = line.substr(1, line.size() - 2);
    bool remove = !inner.empty() && inner[0] == u'-';
    if (remove) inner.erase(0, 1);
    size_t slash = inner.find(u'\\');
    std::u16string rootName = inner.substr(0, slash);
    HKEY root = nullptr;
    for (const RootName& known : RootNames()) {
      if (EqualsIgnoringCase(rootName, known.name) ||
          EqualsIgnoringCase(rootName, known.shortName)) {
        root = known.handle;
      }
    }
    if (root == nullptr)
      return "unknown root key \"" + WideToUtf8(rootName.data(), rootName.size()) + "\"";
    std::vector<std::u16string> path;
    if (slash != std::u16string::npos) {
      LONG status = SplitKeyPath(inner.substr(slash + 1), &path);
      if (status == ERROR_BAD_PATHNAME) return "a key name may not begin with a backslash";
      if (status != ERROR_SUCCESS) return "a key name longer than 255 characters";
    }
    if (path.size() > static_cast<size_t>(kMaxDepth)) return "a key deeper than 512 levels";
    if (remove && path.empty()) return "a root key cannot be deleted";
    RegEdit edit{remove ? RegEdit::kDeleteKey : RegEdit::kCreateKey, root, path, u"", REG_NONE, {}};
    edits_->push_back(edit);
    inDeletedKey_ = remove;
    haveKey_ = true;
    root_ = root;
    path_ = path;
    return "";
  }

  // A quoted text from `at` (the opening quote); \\ and \" are escapes, any other backslash is
  // itself. *at ends after the closing quote.
  static bool QuotedText(const std::u16string& line, size_t* at, std::u16string* text) {
    text->clear();
    for (size_t i = *at + 1; i < line.size(); ++i) {
      if (line[i] == u'\\' && i + 1 < line.size() &&
          (line[i + 1] == u'\\' || line[i + 1] == u'"')) {
        *text += line[++i];
      } else if (line[i] == u'"') {
        *at = i + 1;
        return true;
      } else {
        *text += line[i];
      }
    }
    return false;
  }

  std::string ValueLine(const std::u16string& line) {
    if (!haveKey_) return "a value before any key";
    std::u16string name;
    size_t at = 0;
    if (line[0] == u'@') {
      at = 1;
    } else if (!QuotedText(line, &at, &name)) {
      return "a value name without its closing quote";
    }
    at = SkipBlanks(line, at);
    if (at >= line.size() || line[at] != u'=') return "'=' expected after the value name";
    at = SkipBlanks(line, at + 1);
    std::u16string data = line.substr(at);
    if (name.size() > kMaxValueNameLength) return "a value name longer than 16383 characters";

    RegEdit edit{RegEdit::kSetValue, root_, path_, name, REG_NONE, {}};
    if (data == u"-") {
      edit.kind = RegEdit::kDeleteValue;
    } else if (!data.empty() && data[0] == u'"') {
      std::u16string text;
      size_t end = 0;
      if (!QuotedText(data, &end, &text)) return "a string without its closing quote";
      if (SkipBlanks(data, end) != data.size()) return "text after the closing quote";
      edit.type = REG_SZ;
      text += u'\0';
      edit.data = WideBytes(text);
    } else if (data.compare(0, 6, u"dword:") == 0) {
      std::u16string digits = data.substr(6);
      if (digits.empty() || digits.size() > 8) return "dword: needs 1 to 8 hex digits";
      DWORD number = 0;
      for (char16_t c : digits) {
        if (HexDigit(c) < 0) return "dword: needs 1 to 8 hex digits";
        number = number * 16 + static_cast<DWORD>(HexDigit(c));
      }
      edit.type = REG_DWORD;
      edit.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                   static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
    } else if (data.compare(0, 3, u"hex") == 0) {
      std::string problem = HexData(data, &edit);
      if (!problem.empty()) return problem;
    } else {
      return "unknown value data (a string, dword:, hex: or hex(N): expected)";
    }
    // Lines below a deleted key say nothing; the registry editor skips them too.
    if (!inDeletedKey_) edits_->push_back(edit);
    return "";
  }

  std::string HexData(const std::u16string& data, RegEdit* edit) {
    size_t at = 3;
    DWORD type = REG_BINARY;
    if (at < data.size() && data[at] == u'(') {
      size_t close = data.find(u')', at);
      if (close == std::u16string::npos || close == at + 1 || close - at - 1 > 8) {
        return "hex(N): needs a type of 1 to 8 hex digits";
      }
      type = 0;
      for (size_t i = at + 1; i < close; ++i) {
        if (HexDigit(data[i]) < 0) return "hex(N): needs a type of 1 to 8 hex digits";
        type = type * 16 + static_cast<DWORD>(HexDigit(data[i]));
      }
      at = close + 1;
    }
    if (at >= data.size() || data[at] != u':') return "':' expected after hex";
    std::vector<BYTE> bytes;
    ++at;
    bool expectByte = true;
    while (true) {
      at = SkipBlanks(data, at);
      if (at >= data.size()) break;
      if (data[at] == u';') break;  // a comment after the list
      if (data[at] == u',') {
        if (expectByte) return "an empty byte in a hex list";
        expectByte = true;
        ++at;
        continue;
      }
      if (!expectByte || at + 1 >= data.size() || HexDigit(data[at]) < 0 ||
          HexDigit(data[at + 1]) < 0) {
        return "a hex list must be two-digit bytes separated by commas";
      }
      bytes.push_back(static_cast<BYTE>(HexDigit(data[at]) * 16 + HexDigit(data[at + 1])));
      at += 2;
      expectByte = false;
    }
    // In a REGEDIT4 file the string types' bytes are 8-bit text.
    if (ansi_ && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
      bytes = WideBytes(AnsiToWide(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    edit->type = type;
    edit->data = std::move(bytes);
    return "";
  }

  std::vector<std::u16string> lines_;
  std::vector<RegEdit>* edits_;
  bool ansi_ = true;
  bool haveKey_ = false;
  bool inDeletedKey_ = false;
  HKEY root_ = nullptr;
  std::vector<std::u16string> path_;
};

// --- writing ------------------------------------------------------------------------------------

class Writer {
 public:
  explicit Writer(bool ansi) : ansi_(ansi) {}

  std::u16string Text() {
    out_ = ansi_ ? kHeader4Wide : kHeader5Wide;
    out_ += u"\n";
    for (const RootName& root : RootNames()) {
      Key* key = PredefinedKey(root.handle);
      if (!key->values.empty()) WriteKey(root.name, *key);
      for (const std::shared_ptr<Key>& subkey : key->subkeys) {
        WriteTree(std::u16string(root.name) + u"\\" + subkey->name, *subkey);
      }
    }
    return out_;
  }

 private:
  void WriteTree(const std::u16string& path, const Key& key) {
    WriteKey(path, key);
    for (const std::shared_ptr<Key>& subkey : key.subkeys) {
      WriteTree(path + u"\\" + subkey->name, *subkey);
    }
  }

  void WriteKey(const std::u16string& path, const Key& key) {
    out_ += u"\n[" + path + u"]\n";
    for (const Value& value : key.values) WriteValue(value);
  }

  static std::u16string Quoted(const std::u16string& text) {
    std::u16string quoted = u"\"";
    for (char16_t c : text) {
      if (c == u'\\' || c == u'"') quoted += u'\\';
      quoted += c;
    }
    return quoted + u"\"";
  }

  void WriteValue(const Value& value) {
    std::u16string line = value.name.empty() ? u"@=" : Quoted(value.name) + u"=";
    if (value.type == REG_SZ && IsPlainString(value.data)) {
      std::u16string text = BytesToWide(value.data);
      text.pop_back();
      out_ += line + Quoted(text) + u"\n";
      return;
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
      char digits[16];
      snprintf(digits, sizeof digits, "dword:%08x",
               value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                   (static_cast<unsigned>(value.data[3]) << 24));
      for (const char* p = digits; *p != '\0'; ++p) line += static_cast<char16_t>(*p);
      out_ += line + u"\n";
      return;
    }
    char prefix[24];
    if (value.type == REG_BINARY) {
      snprintf(prefix, sizeof prefix, "hex:");
    } else {
      snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    }
    for (const char* p = prefix; *p != '\0'; ++p) line += static_cast<char16_t>(*p);
    std::vector<BYTE> bytes = value.data;
    if (ansi_ && IsStringType(value.type)) {
      std::u16string text = BytesToWide(value.data);
      std::string narrow = WideToAnsi(text.data(), text.size());
      bytes.assign(narrow.begin(), narrow.end());
    }
    // Lines of at most 80 characters, continued with a backslash, as the registry editor wraps.
    for (size_t i = 0; i < bytes.size(); ++i) {
      static const char kDigits[] = "0123456789abcdef";
      std::u16string item;
      item += static_cast<char16_t>(kDigits[bytes[i] >> 4]);
      item += static_cast<char16_t>(kDigits[bytes[i] & 0xF]);
      if (i + 1 < bytes.size()) item += u',';
      if (line.size() + item.size() > 78) {
        out_ += line + u"\\\n";
        line = u"  ";
      }
      line += item;
    }
    out_ += line + u"\n";
  }

  // REG_SZ data that a quoted string gives back exactly: one terminator, at its end, and no
  // line break (which would end the line); in a REGEDIT4 file also 8-bit characters only.
  bool IsPlainString(const std::vector<BYTE>& data) const {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    std::u16string text = BytesToWide(data);
    if (text.back() != u'\0') return false;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'\0' || c == u'\r' || c == u'\n') return false;
      if (ansi_ && !IsAnsiCharacter(c)) return false;
    }
    return true;
  }

  bool ansi_;
  std::u16string out_;
};

bool TextIsAnsi(const std::u16string& text) {
  for (char16_t c : text) {
    if (!IsAnsiCharacter(c)) return false;
  }
  return true;
}

// True when a REGEDIT4 file carries every name and every string exactly.
bool FitsAnsi(const Key& key) {
  if (!TextIsAnsi(key.name)) return false;
  for (const Value& value : key.values) {
    if (!TextIsAnsi(value.name)) return false;
    if (IsStringType(value.type)) {
      if (value.data.size() % 2 != 0) return false;
      if (!TextIsAnsi(BytesToWide(value.data))) return false;
    }
  }
  for (const std::shared_ptr<Key>& subkey : key.subkeys) {
    if (!FitsAnsi(*subkey)) return false;
  }
  return true;
}

}  // namespace

bool ParseRegText(const std::string& bytes, std::vector<RegEdit>* edits, std::string* error) {
  edits->clear();
  std::u16string text;
  if (!DecodeFile(bytes, &text, error)) return false;
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return Parser(std::move(lines), edits).Run(error);
}

void ApplyRegEdits(const std::vector<RegEdit>& edits) {
  for (const RegEdit& edit : edits) {
    Key* key = PredefinedKey(edit.root);
    if (edit.kind == RegEdit::kDeleteKey) {
      for (const std::u16string& name : edit.path) {
        key = FindSubkey(*key, name).get();
        if (key == nullptr) break;
      }
      if (key != nullptr) RemoveKey(*key);
      continue;
    }
    bool created = false;
    // The parser bounds the depth, so every key on the way can be made.
    for (const std::u16string& name : edit.path) key = AddSubkey(*key, name, &created).get();
    if (edit.kind == RegEdit::kSetValue) {
      PutValue(*key, edit.valueName, edit.type, edit.data);
    } else if (edit.kind == RegEdit::kDeleteValue) {
      RemoveValue(*key, edit.valueName);
    }
  }
}

std::string RegText() {
  bool ansi = true;
  for (const RootName& root : RootNames()) ansi = ansi && FitsAnsi(*PredefinedKey(root.handle));
  std::u16string text = Writer(ansi).Text();
  if (ansi) return WideToAnsi(text.data(), text.size());
  // As Windows writes a 5.00 file: UTF-16LE after a byte order mark, lines ending in CR LF.
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    if (c == u'\n') {
      bytes += '\r';
      bytes += '\0';
    }
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace registry
}  // namespace winsim
