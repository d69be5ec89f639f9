// The registry operations behind the A and W entry points, over 16-bit text. Each takes the
// registry lock, returns its Win32 code and leaves every output alone on failure; the entry
// points do the fault injection, the text conversion and the caller's buffers.
#pragma once

#include <string>
#include <vector>

#include "registry_tree.h"

namespace winsim {
namespace registry {

// A name argument that may be NULL: `null` tells NULL from an empty name.
struct Name {
  std::u16string text;
  bool null = true;
};

LONG OpenKey(HKEY key, const Name& subKey, REGSAM access, PHKEY result);
LONG CreateKey(HKEY key, const Name& subKey, REGSAM access, PHKEY result, LPDWORD disposition);
LONG DeleteKey(HKEY key, const Name& subKey);

LONG GetValue(HKEY key, const Name& name, Value* value);
LONG SetValue(HKEY key, const Name& name, DWORD type, const BYTE* data, DWORD size);
LONG DeleteValue(HKEY key, const Name& name);

// The index-th subkey's name, in case-insensitive order; ERROR_NO_MORE_ITEMS past the end.
LONG EnumKey(HKEY key, DWORD index, std::u16string* name);
// The index-th value, in the order values were first set.
LONG EnumValue(HKEY key, DWORD index, Value* value);

// Copies `bytes` to the caller's data buffer by the rules of RegQueryValueEx: with no buffer
// only the size (ERROR_SUCCESS); a buffer smaller than the data gets nothing and
// ERROR_MORE_DATA; *size is the data's size in bytes either way.
LONG CopyData(const std::vector<BYTE>& bytes, BYTE* data, DWORD* size);

// The string types, whose data the A functions convert.
bool IsStringType(DWORD type);

}  // namespace registry
}  // namespace winsim
