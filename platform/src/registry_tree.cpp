// Keys, values and handles of the simulated registry.
#include "registry_tree.h"

#include <algorithm>
#include <map>

#include "winsim.h"

namespace winsim {
namespace registry {
namespace {

#define GENERIC_READ_RIGHT 0x80000000UL
#define GENERIC_WRITE_RIGHT 0x40000000UL
#define GENERIC_EXECUTE_RIGHT 0x20000000UL
#define GENERIC_ALL_RIGHT 0x10000000UL
#define MAXIMUM_ALLOWED_RIGHT 0x02000000UL

struct Handle {
  std::shared_ptr<Key> key;
  REGSAM access;
};

struct State {
  std::shared_ptr<Key> localMachine = std::make_shared<Key>();
  std::shared_ptr<Key> currentUser = std::make_shared<Key>();
  std::map<HKEY, Handle> handles;
  // Handle values are never given out twice in a process, so a stale handle can never reach a
  // key opened later.
  uintptr_t nextHandle = 0x1000;
};

State& Registry() {
  static State state;
  return state;
}

// The capital of a letter, for the letters of the European code pages; others are their own.
char16_t Capital(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A pairs capital and small letter side by side; dotless i and the few
  // letters without a partner stay as they are.
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return static_cast<char16_t>(c & ~1);
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1) == 0 ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);  // Greek
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);  // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

REGSAM MapGenericRights(REGSAM access) {
  REGSAM mapped = access & ~(GENERIC_READ_RIGHT | GENERIC_WRITE_RIGHT | GENERIC_EXECUTE_RIGHT |
                             GENERIC_ALL_RIGHT | MAXIMUM_ALLOWED_RIGHT);
  if (access & GENERIC_READ_RIGHT) mapped |= KEY_READ;
  if (access & GENERIC_WRITE_RIGHT) mapped |= KEY_WRITE;
  if (access & GENERIC_EXECUTE_RIGHT) mapped |= KEY_EXECUTE;
  if (access & (GENERIC_ALL_RIGHT | MAXIMUM_ALLOWED_RIGHT)) mapped |= KEY_ALL_ACCESS;
  return mapped;
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  key.parent = nullptr;
  for (const std::shared_ptr<Key>& subkey : key.subkeys) MarkDeleted(*subkey);
}

}  // namespace

std::recursive_mutex& RegistryLock() {
  static std::recursive_mutex lock;
  return lock;
}

int CompareNames(const std::u16string& a, const std::u16string& b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    char16_t x = Capital(a[i]);
    char16_t y = Capital(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool SameName(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && CompareNames(a, b) == 0;
}

Key* PredefinedKey(HKEY handle) {
  if (handle == HKEY_LOCAL_MACHINE) return Registry().localMachine.get();
  if (handle == HKEY_CURRENT_USER) return Registry().currentUser.get();
  return nullptr;
}

const std::vector<RootName>& RootNames() {
  static const std::vector<RootName> names = {
      {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", u"HKLM"},
      {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", u"HKCU"},
  };
  return names;
}

LONG ResolveHandle(HKEY handle, REGSAM needed, std::shared_ptr<Key>* key) {
  SystemRoot();  // a program's first registry call opens its system and loads its registry
  State& state = Registry();
  if (handle == HKEY_LOCAL_MACHINE) {
    *key = state.localMachine;
    return ERROR_SUCCESS;
  }
  if (handle == HKEY_CURRENT_USER) {
    *key = state.currentUser;
    return ERROR_SUCCESS;
  }
  auto found = state.handles.find(handle);
  if (found == state.handles.end()) return ERROR_INVALID_HANDLE;
  if (found->second.key->deleted) return ERROR_KEY_DELETED;
  if ((found->second.access & needed) != needed) return ERROR_ACCESS_DENIED;
  *key = found->second.key;
  return ERROR_SUCCESS;
}

HKEY OpenHandle(const std::shared_ptr<Key>& key, REGSAM access) {
  State& state = Registry();
  HKEY handle = reinterpret_cast<HKEY>(state.nextHandle);
  state.nextHandle += 4;
  state.handles[handle] = Handle{key, MapGenericRights(access)};
  CountOpened(Resource::RegistryKey);
  return handle;
}

LONG CloseHandle(HKEY handle) {
  if (PredefinedKey(handle) != nullptr) return ERROR_SUCCESS;
  State& state = Registry();
  auto found = state.handles.find(handle);
  if (found == state.handles.end()) return ERROR_INVALID_HANDLE;
  state.handles.erase(found);
  CountClosed(Resource::RegistryKey);
  return ERROR_SUCCESS;
}

LONG SplitKeyPath(const std::u16string& path, std::vector<std::u16string>* components) {
  components->clear();
  if (!path.empty() && path[0] == u'\\') return ERROR_BAD_PATHNAME;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (end - start > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    if (end > start) components->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

std::shared_ptr<Key> FindSubkey(const Key& key, const std::u16string& name) {
  auto at = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                             [](const std::shared_ptr<Key>& subkey, const std::u16string& wanted) {
                               return CompareNames(subkey->name, wanted) < 0;
                             });
  if (at != key.subkeys.end() && SameName((*at)->name, name)) return *at;
  return nullptr;
}

std::shared_ptr<Key> AddSubkey(Key& key, const std::u16string& name, bool* created) {
  *created = false;
  auto at = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                             [](const std::shared_ptr<Key>& subkey, const std::u16string& wanted) {
                               return CompareNames(subkey->name, wanted) < 0;
                             });
  if (at != key.subkeys.end() && SameName((*at)->name, name)) return *at;
  if (key.depth + 1 > kMaxDepth) return nullptr;
  auto subkey = std::make_shared<Key>();
  subkey->name = name;
  subkey->parent = &key;
  subkey->depth = key.depth + 1;
  key.subkeys.insert(at, subkey);
  *created = true;
  return subkey;
}

void RemoveKey(Key& key) {
  std::shared_ptr<Key> keep;  // the parent may hold the last reference
  if (key.parent != nullptr) {
    std::vector<std::shared_ptr<Key>>& siblings = key.parent->subkeys;
    for (auto at = siblings.begin(); at != siblings.end(); ++at) {
      if (at->get() == &key) {
        keep = *at;
        siblings.erase(at);
        break;
      }
    }
  }
  MarkDeleted(key);
}

const Value* FindValue(const Key& key, const std::u16string& name) {
  for (const Value& value : key.values) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

void PutValue(Key& key, const std::u16string& name, DWORD type, std::vector<BYTE> data) {
  for (Value& value : key.values) {
    if (SameName(value.name, name)) {
      value.type = type;
      value.data = std::move(data);
      return;
    }
  }
  key.values.push_back(Value{name, type, std::move(data)});
}

bool RemoveValue(Key& key, const std::u16string& name) {
  for (auto at = key.values.begin(); at != key.values.end(); ++at) {
    if (SameName(at->name, name)) {
      key.values.erase(at);
      return true;
    }
  }
  return false;
}

void ClearRegistry() {
  State& state = Registry();
  for (auto& entry : state.handles) {
    (void)entry;
    CountClosed(Resource::RegistryKey);
  }
  state.handles.clear();
  for (Key* root : {state.localMachine.get(), state.currentUser.get()}) {
    for (const std::shared_ptr<Key>& subkey : root->subkeys) {
      subkey->parent = nullptr;
      MarkDeleted(*subkey);
    }
    root->subkeys.clear();
    root->values.clear();
  }
}

}  // namespace registry
}  // namespace winsim
