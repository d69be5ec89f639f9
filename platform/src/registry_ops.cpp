// The registry operations shared by the A and W entry points.
#include "registry_ops.h"

#include <string.h>

namespace winsim {
namespace registry {
namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

// The key a path names below `key`, or ERROR_FILE_NOT_FOUND.
LONG Walk(const std::shared_ptr<Key>& start, const std::vector<std::u16string>& components,
          std::shared_ptr<Key>* found) {
  std::shared_ptr<Key> current = start;
  for (const std::u16string& component : components) {
    current = FindSubkey(*current, component);
    if (current == nullptr) return ERROR_FILE_NOT_FOUND;
  }
  *found = current;
  return ERROR_SUCCESS;
}

}  // namespace

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LONG OpenKey(HKEY key, const Name& subKey, REGSAM access, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  Guard guard(RegistryLock());
  std::shared_ptr<Key> parent;
  LONG status = ResolveHandle(key, 0, &parent);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::u16string> components;
  status = SplitKeyPath(subKey.text, &components);
  if (status != ERROR_SUCCESS) return status;
  // Opening a root itself gives the root's own handle back, which needs no closing.
  if (components.empty() && PredefinedKey(key) != nullptr) {
    *result = key;
    return ERROR_SUCCESS;
  }
  std::shared_ptr<Key> target;
  status = Walk(parent, components, &target);
  if (status != ERROR_SUCCESS) return status;
  *result = OpenHandle(target, access);
  return ERROR_SUCCESS;
}

LONG CreateKey(HKEY key, const Name& subKey, REGSAM access, PHKEY result, LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  Guard guard(RegistryLock());
  // Creation is checked against the key's security, not the handle's rights: a KEY_READ handle
  // may create subkeys, as the documentation of RegCreateKeyEx says.
  std::shared_ptr<Key> current;
  LONG status = ResolveHandle(key, 0, &current);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::u16string> components;
  status = SplitKeyPath(subKey.text, &components);
  if (status != ERROR_SUCCESS) return status;
  // Refused before anything is created, so a path too deep leaves no keys behind.
  if (current->depth + static_cast<int>(components.size()) > kMaxDepth) {
    return ERROR_INVALID_PARAMETER;
  }
  bool created = false;
  for (const std::u16string& component : components) {
    current = AddSubkey(*current, component, &created);
  }
  *result = OpenHandle(current, access);
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  if (created) RegistryChanged();
  return ERROR_SUCCESS;
}

LONG DeleteKey(HKEY key, const Name& subKey) {
  if (subKey.null) return ERROR_INVALID_PARAMETER;
  Guard guard(RegistryLock());
  // As with creation, the parent handle's rights do not matter.
  std::shared_ptr<Key> parent;
  LONG status = ResolveHandle(key, 0, &parent);
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::u16string> components;
  status = SplitKeyPath(subKey.text, &components);
  if (status != ERROR_SUCCESS) return status;
  std::shared_ptr<Key> target;
  status = Walk(parent, components, &target);
  if (status != ERROR_SUCCESS) return status;
  if (target->depth == 0 || !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
  RemoveKey(*target);
  RegistryChanged();
  return ERROR_SUCCESS;
}

LONG GetValue(HKEY key, const Name& name, Value* value) {
  Guard guard(RegistryLock());
  std::shared_ptr<Key> target;
  LONG status = ResolveHandle(key, KEY_QUERY_VALUE, &target);
  if (status != ERROR_SUCCESS) return status;
  const Value* found = FindValue(*target, name.text);
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  *value = *found;
  return ERROR_SUCCESS;
}

LONG SetValue(HKEY key, const Name& name, DWORD type, const BYTE* data, DWORD size) {
  Guard guard(RegistryLock());
  std::shared_ptr<Key> target;
  LONG status = ResolveHandle(key, KEY_SET_VALUE, &target);
  if (status != ERROR_SUCCESS) return status;
  if (name.text.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  if (data == nullptr && size != 0) return ERROR_NOACCESS;
  std::vector<BYTE> bytes(data, data + size);
  PutValue(*target, name.text, type, std::move(bytes));
  RegistryChanged();
  return ERROR_SUCCESS;
}

LONG DeleteValue(HKEY key, const Name& name) {
  Guard guard(RegistryLock());
  std::shared_ptr<Key> target;
  LONG status = ResolveHandle(key, KEY_SET_VALUE, &target);
  if (status != ERROR_SUCCESS) return status;
  if (!RemoveValue(*target, name.text)) return ERROR_FILE_NOT_FOUND;
  RegistryChanged();
  return ERROR_SUCCESS;
}

LONG EnumKey(HKEY key, DWORD index, std::u16string* name) {
  Guard guard(RegistryLock());
  std::shared_ptr<Key> target;
  LONG status = ResolveHandle(key, KEY_ENUMERATE_SUB_KEYS, &target);
  if (status != ERROR_SUCCESS) return status;
  if (index >= target->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  *name = target->subkeys[index]->name;
  return ERROR_SUCCESS;
}

LONG EnumValue(HKEY key, DWORD index, Value* value) {
  Guard guard(RegistryLock());
  std::shared_ptr<Key> target;
  LONG status = ResolveHandle(key, KEY_QUERY_VALUE, &target);
  if (status != ERROR_SUCCESS) return status;
  if (index >= target->values.size()) return ERROR_NO_MORE_ITEMS;
  *value = target->values[index];
  return ERROR_SUCCESS;
}

LONG CopyData(const std::vector<BYTE>& bytes, BYTE* data, DWORD* size) {
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed != 0) memcpy(data, bytes.data(), needed);
  }
  if (size != nullptr) *size = needed;
  return ERROR_SUCCESS;
}

}  // namespace registry
}  // namespace winsim
