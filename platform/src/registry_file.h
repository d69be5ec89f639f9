// .reg text: the registry editor's file format, read into edits and written from the tree.
//
// Two headers: "REGEDIT4", whose text and hex(1)/hex(2)/hex(7) bytes are 8-bit (code page 1252),
// and "Windows Registry Editor Version 5.00", whose hex bytes of the string types are UTF-16LE;
// such a file is read as UTF-16LE after its byte order mark, as Windows writes it, or else as
// UTF-8 (which includes plain ASCII).
#pragma once

#include <string>
#include <vector>

#include "registry_tree.h"

namespace winsim {
namespace registry {

struct RegEdit {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
  Kind kind;
  HKEY root;
  std::vector<std::u16string> path;  // key names below the root
  std::u16string valueName;          // empty for the default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Parses a whole file; on any fault returns false with "line N: what" in *error and no edits,
// so a malformed file changes nothing.
bool ParseRegText(const std::string& bytes, std::vector<RegEdit>* edits, std::string* error);
// Applies parsed edits to the tree, in order. The caller holds the registry lock.
void ApplyRegEdits(const std::vector<RegEdit>& edits);

// The whole registry as a .reg file: keys in case-insensitive order, each key's values in their
// order. REGEDIT4 text whenever 8-bit text can carry every name and string exactly; otherwise,
// so that nothing is lost, a 5.00 file in UTF-16LE. The caller holds the registry lock.
std::string RegText();

}  // namespace registry
}  // namespace winsim
