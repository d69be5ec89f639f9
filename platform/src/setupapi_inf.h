// The INF reader of the simulated device installer: sections of lines of fields, as the INF
// syntax rules describe them.
//
// - The file is 8-bit text in the system's ANSI code page (1252), or UTF-16LE after a byte order
//   mark (FF FE).
// - A line "[name]" starts a section; names compare without regard to case and sections of the
//   same name are merged. Lines before the first section are ignored.
// - ";" outside quotes starts a comment. A "\" outside quotes with nothing but blanks or a
//   comment after it continues the line on the next one.
// - "key = field, field, ...": the first "=" outside quotes before any comma ends the key.
//   Fields are separated by commas outside quotes; blanks around each are dropped, blanks inside
//   quotes kept. Inside quotes "" is one quote character; a quote still open at the end of a
//   line ends there.
// - %strkey% in keys and fields (quoted or not) is replaced by its value from [Strings] (the
//   value's first field, itself not substituted); "%%" is one "%"; an unknown %strkey% stays as
//   written.
// - Limits as Windows 2000 sets them: a section name of at most 255 characters, a field of at
//   most 4095 characters before and after substitution. A file that breaks them is refused.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace winsim {
namespace setupapi {
namespace inf {

struct Line {
  bool hasKey = false;
  std::u16string key;                  // left of "=", when hasKey
  std::vector<std::u16string> fields;  // right of "=", or the whole line without a key
  int number = 0;                      // the physical line it starts on, from 1
};

struct Section {
  std::u16string name;
  std::vector<Line> lines;
};

class File {
 public:
  // Replaces the contents with the parsed `bytes`. On failure returns ERROR_GENERAL_SYNTAX,
  // ERROR_SECTION_NAME_TOO_LONG or ERROR_BAD_SECTION_NAME_LINE and sets *message (optional) to
  // the line and the reason; the contents are then empty.
  DWORD Parse(const std::string& bytes, std::string* message = nullptr);

  // The section of that name, or null.
  const Section* Find(const std::u16string& name) const;
  // The first field of the first line of `section` whose key is `key`; empty when there is none.
  std::u16string Value(const std::u16string& section, const std::u16string& key) const;
  const std::vector<Section>& sections() const { return sections_; }

 private:
  std::vector<Section> sections_;
};

// Reads the host file `hostPath` and parses it. ERROR_FILE_NOT_FOUND when it cannot be read.
DWORD LoadFile(const std::string& hostPath, File* file, std::string* message = nullptr);

}  // namespace inf
}  // namespace setupapi
}  // namespace winsim
