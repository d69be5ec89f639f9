#include "registry_keys.h"

namespace {

constexpr LONG kChildMustBeVolatile = 1021;

// Under a volatile key (Wine makes the network cards key afresh at every session start, as a
// volatile key) only volatile keys can be made.
HKEY CreatedKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status == kChildMustBeVolatile) {
    status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr);
  }
  return status == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

bool SetValueA(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
  HKEY key = CreatedKey(root, path);
  if (key == nullptr) return false;
  LONG status = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool SetStringA(HKEY root, const std::string& path, const char* name, const std::string& value) {
  return SetValueA(root, path, name, REG_SZ, std::string(value.c_str(), value.size() + 1));
}

bool CreateKeyA(HKEY root, const std::string& path) {
  HKEY key = CreatedKey(root, path);
  if (key == nullptr) return false;
  RegCloseKey(key);
  return true;
}

bool ReadValueA(HKEY root, const std::string& path, const char* name, std::string* bytes, DWORD* type) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    bytes->assign(size, '\0');
    status = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(&(*bytes)[0]), &size);
    bytes->resize(size);
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}
