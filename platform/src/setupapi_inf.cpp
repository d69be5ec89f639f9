// The INF reader: decoding, lines, sections and string substitution (rules in setupapi_inf.h).
#include "setupapi_inf.h"

#include <fstream>
#include <iterator>
#include <map>

#include <setupapi.h>

#include "setupapi_text.h"

namespace winsim {
namespace setupapi {
namespace inf {
namespace {

constexpr size_t kMaxSectionName = 255;  // characters
constexpr size_t kMaxField = 4095;       // characters, the terminator not counted
// Far beyond any INF; a bigger file is not read into memory at all.
constexpr std::streamoff kMaxFileSize = 16 * 1024 * 1024;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

std::u16string Decode(const std::string& bytes) {
  const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::u16string text;
  if (bytes.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
  }
  if (bytes.empty()) return text;
  // Windows reads an 8-bit INF in the system's ANSI code page; the simulated system's is 1252.
  int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return text;
  text.resize(static_cast<size_t>(length));
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                      reinterpret_cast<LPWSTR>(&text[0]), length);
  return text;
}

// One field while it is read: its characters and which of them came from inside quotes, so
// that only blanks outside quotes are trimmed.
struct FieldBuilder {
  std::u16string text;
  std::vector<bool> quoted;
  bool sawQuote = false;

  void Add(char16_t c, bool inQuotes) {
    text += c;
    quoted.push_back(inQuotes);
  }
  std::u16string Finish() const {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && !quoted[begin] && IsBlank(text[begin])) ++begin;
    while (end > begin && !quoted[end - 1] && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
  }
  bool Empty() const { return !sawQuote && Finish().empty(); }
};

class Parser {
 public:
  explicit Parser(const std::u16string& text) : text_(text) {}

  DWORD Run(std::vector<Section>* sections, std::string* message) {
    Section* current = nullptr;
    while (pos_ < text_.size()) {
      int number = lineNumber_;
      size_t start = pos_;
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (pos_ < text_.size() && text_[pos_] == u'[') {
        std::u16string name;
        DWORD error = ReadSectionName(&name);
        if (error != ERROR_SUCCESS) return Fail(error, number, message);
        current = FindOrAdd(sections, name);
        continue;
      }
      pos_ = start;
      Line line;
      line.number = number;
      if (!ReadLine(&line)) return Fail(ERROR_GENERAL_SYNTAX, number, message);
      bool empty = !line.hasKey && line.fields.size() == 1 && line.fields[0].empty() && !lastLineQuoted_;
      if (current != nullptr && !empty) current->lines.push_back(line);
    }
    return ERROR_SUCCESS;
  }

 private:
  static DWORD Fail(DWORD error, int number, std::string* message) {
    if (message != nullptr) {
      const char* reason = error == ERROR_SECTION_NAME_TOO_LONG   ? "section name too long"
                           : error == ERROR_BAD_SECTION_NAME_LINE ? "section name without ']'"
                                                                  : "field too long";
      *message = "line " + std::to_string(number) + ": " + reason;
    }
    return error;
  }

  static Section* FindOrAdd(std::vector<Section>* sections, const std::u16string& name) {
    for (Section& section : *sections) {
      if (SameText(section.name, name)) return &section;
    }
    sections->push_back(Section{name, {}});
    return &sections->back();
  }

  // Consumes the end of the physical line at pos_, if any.
  void EndPhysicalLine() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == u'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\n') ++pos_;
    ++pos_;
    ++lineNumber_;
  }

  void SkipToLineEnd() {
    while (pos_ < text_.size() && !IsLineEnd(text_[pos_])) ++pos_;
  }

  // At "[": the name up to "]"; the rest of the line is ignored.
  DWORD ReadSectionName(std::u16string* name) {
    size_t close = pos_ + 1;
    while (close < text_.size() && !IsLineEnd(text_[close]) && text_[close] != u']') ++close;
    if (close >= text_.size() || text_[close] != u']') return ERROR_BAD_SECTION_NAME_LINE;
    FieldBuilder builder;
    for (size_t i = pos_ + 1; i < close; ++i) builder.Add(text_[i], false);
    *name = builder.Finish();
    if (name->size() > kMaxSectionName) return ERROR_SECTION_NAME_TOO_LONG;
    pos_ = close + 1;
    SkipToLineEnd();
    EndPhysicalLine();
    return ERROR_SUCCESS;
  }

  // A backslash continues the line when only blanks or a comment follow it.
  bool IsContinuation(size_t backslash) const {
    size_t i = backslash + 1;
    while (i < text_.size() && IsBlank(text_[i])) ++i;
    return i >= text_.size() || IsLineEnd(text_[i]) || text_[i] == u';';
  }

  // One logical line into `line`; false when a field is too long.
  bool ReadLine(Line* line) {
    std::vector<FieldBuilder> fields(1);
    bool inQuotes = false;
    bool continued = false;
    while (pos_ < text_.size()) {
      char16_t c = text_[pos_];
      if (IsLineEnd(c)) {
        EndPhysicalLine();
        inQuotes = false;  // a quote still open ends with its line
        if (!continued) break;
        continued = false;
        continue;
      }
      FieldBuilder& field = fields.back();
      if (inQuotes) {
        if (c == u'"' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'"') {
          field.Add(u'"', true);
          pos_ += 2;
          continue;
        }
        if (c == u'"') inQuotes = false;
        else field.Add(c, true);
        ++pos_;
        continue;
      }
      if (c == u'"') {
        inQuotes = true;
        field.sawQuote = true;
      } else if (c == u';') {
        SkipToLineEnd();
        continue;
      } else if (c == u'\\' && IsContinuation(pos_)) {
        continued = true;
        SkipToLineEnd();
        continue;
      } else if (c == u',') {
        fields.emplace_back();
      } else if (c == u'=' && !line->hasKey && fields.size() == 1) {
        line->hasKey = true;
        line->key = field.Finish();
        fields.back() = FieldBuilder();
      } else if (c != u'\0') {
        field.Add(c, false);
      }
      ++pos_;
    }
    lastLineQuoted_ = fields.size() == 1 && fields[0].sawQuote;
    if (line->key.size() > kMaxField) return false;
    for (const FieldBuilder& field : fields) {
      line->fields.push_back(field.Finish());
      if (line->fields.back().size() > kMaxField) return false;
    }
    return true;
  }

  const std::u16string& text_;
  size_t pos_ = 0;
  int lineNumber_ = 1;
  bool lastLineQuoted_ = false;
};

std::u16string Substitute(const std::u16string& text, const std::map<std::u16string, std::u16string>& strings) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != u'%') {
      out += text[i++];
      continue;
    }
    size_t close = text.find(u'%', i + 1);
    if (close == std::u16string::npos) {
      out += text.substr(i);
      break;
    }
    if (close == i + 1) {
      out += u'%';
    } else {
      auto found = strings.find(Upper(text.substr(i + 1, close - i - 1)));
      out += found != strings.end() ? found->second : text.substr(i, close - i + 1);
    }
    i = close + 1;
  }
  return out;
}

}  // namespace

DWORD File::Parse(const std::string& bytes, std::string* message) {
  sections_.clear();
  std::u16string text = Decode(bytes);
  std::vector<Section> sections;
  DWORD error = Parser(text).Run(&sections, message);
  if (error != ERROR_SUCCESS) return error;

  std::map<std::u16string, std::u16string> strings;
  for (const Section& section : sections) {
    if (!SameText(section.name, u"Strings")) continue;
    for (const Line& line : section.lines) {
      // The first definition of a key counts.
      if (line.hasKey && !line.fields.empty()) strings.emplace(Upper(line.key), line.fields[0]);
    }
  }
  for (Section& section : sections) {
    if (SameText(section.name, u"Strings")) continue;
    for (Line& line : section.lines) {
      line.key = Substitute(line.key, strings);
      bool tooLong = line.key.size() > kMaxField;
      for (std::u16string& field : line.fields) {
        field = Substitute(field, strings);
        tooLong = tooLong || field.size() > kMaxField;
      }
      if (tooLong) {
        if (message != nullptr) {
          *message = "line " + std::to_string(line.number) + ": field too long after substitution";
        }
        return ERROR_GENERAL_SYNTAX;
      }
    }
  }
  sections_ = std::move(sections);
  return ERROR_SUCCESS;
}

const Section* File::Find(const std::u16string& name) const {
  for (const Section& section : sections_) {
    if (SameText(section.name, name)) return &section;
  }
  return nullptr;
}

std::u16string File::Value(const std::u16string& section, const std::u16string& key) const {
  const Section* found = Find(section);
  if (found == nullptr) return u"";
  for (const Line& line : found->lines) {
    if (line.hasKey && SameText(line.key, key)) return line.fields.empty() ? u"" : line.fields[0];
  }
  return u"";
}

DWORD LoadFile(const std::string& hostPath, File* file, std::string* message) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return ERROR_FILE_NOT_FOUND;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0) return ERROR_FILE_NOT_FOUND;
  if (size > kMaxFileSize) {
    if (message != nullptr) *message = "file too big";
    return ERROR_GENERAL_SYNTAX;
  }
  in.seekg(0, std::ios::beg);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!in.read(&bytes[0], size)) return ERROR_FILE_NOT_FOUND;
  return file->Parse(bytes, message);
}

}  // namespace inf
}  // namespace setupapi
}  // namespace winsim
