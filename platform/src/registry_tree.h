// The simulated registry's keys, values and handles. Names and string data are kept as 16-bit
// text, as Windows keeps them; the A functions convert at their edge.
//
// Everything here runs under RegistryLock(): the registry is one per process and the product's
// dialogs may call it from a timer while another call is under way.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace winsim {
namespace registry {

constexpr size_t kMaxKeyNameLength = 255;      // characters of one key name
constexpr size_t kMaxValueNameLength = 16383;  // characters of a value name
constexpr int kMaxDepth = 512;                 // levels below a root, as Windows bounds them

struct Value {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;  // exactly as set; string types as UTF-16LE, terminated or not
};

struct Key {
  std::u16string name;  // the case it was created with; empty for a root
  Key* parent = nullptr;
  int depth = 0;  // 0 for a root
  bool deleted = false;
  // Subkeys in case-insensitive name order; values in the order they were first set.
  std::vector<std::shared_ptr<Key>> subkeys;
  std::vector<Value> values;
};

std::recursive_mutex& RegistryLock();

// Case-insensitive comparison of names: ASCII, Latin-1 and the other European letters
// compare by their capital, as Windows orders keys.
int CompareNames(const std::u16string& a, const std::u16string& b);
bool SameName(const std::u16string& a, const std::u16string& b);

// The roots the simulation has: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, or null.
Key* PredefinedKey(HKEY handle);
// The root's handle and its name as .reg files spell it ("HKEY_LOCAL_MACHINE").
struct RootName {
  HKEY handle;
  const char16_t* name;
  const char16_t* shortName;
};
const std::vector<RootName>& RootNames();

// The key behind a handle: a predefined root, or a handle this process opened. Returns
// ERROR_INVALID_HANDLE for anything else, ERROR_KEY_DELETED for a key deleted since it was opened,
// and ERROR_ACCESS_DENIED when the handle lacks `needed`; a root has every right.
LONG ResolveHandle(HKEY handle, REGSAM needed, std::shared_ptr<Key>* key);
// A new handle on `key` with `access` (generic rights mapped to key rights), counted as open.
HKEY OpenHandle(const std::shared_ptr<Key>& key, REGSAM access);
// ERROR_SUCCESS for a handle this process holds (counted as closed) and for a root.
LONG CloseHandle(HKEY handle);

// A subkey path split at its backslashes; empty components (a doubled or trailing backslash)
// are skipped. A leading backslash is ERROR_BAD_PATHNAME, a component longer than 255
// characters ERROR_INVALID_PARAMETER.
LONG SplitKeyPath(const std::u16string& path, std::vector<std::u16string>* components);

std::shared_ptr<Key> FindSubkey(const Key& key, const std::u16string& name);
// Finds or creates the subkey; *created says which. Null when it would pass kMaxDepth.
std::shared_ptr<Key> AddSubkey(Key& key, const std::u16string& name, bool* created);
// Detaches the key from its parent and marks it and everything below it deleted, so that any
// handle still open on them reports ERROR_KEY_DELETED.
void RemoveKey(Key& key);

const Value* FindValue(const Key& key, const std::u16string& name);
// A value set again keeps its place in the enumeration order.
void PutValue(Key& key, const std::u16string& name, DWORD type, std::vector<BYTE> data);
bool RemoveValue(Key& key, const std::u16string& name);

// An empty registry: both roots emptied, every handle closed (and counted as closed).
void ClearRegistry();

// Called after every change; the persistent system writes its file (registry_store.cpp).
void RegistryChanged();

}  // namespace registry
}  // namespace winsim
