// The W registry entry points and RegCloseKey. Each starts with the fault injection under its
// own Win32 name, then validates its arguments and calls the shared operation.
#include <string.h>

#include "registry_ops.h"
#include "winsim.h"

using winsim::registry::Name;
using winsim::registry::Value;

namespace {

Name WideName(LPCWSTR text) {
  Name name;
  if (text != nullptr) {
    name.text = text;
    name.null = false;
  }
  return name;
}

}  // namespace

extern "C" LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM access,
                                     PHKEY result) {
  DWORD error;
  if (winsim::ShouldFail("RegOpenKeyExW", &error)) return static_cast<LONG>(error);
  return winsim::registry::OpenKey(key, WideName(subKey), access, result);
}

extern "C" LONG WINAPI RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/,
                                       LPWSTR /*keyClass*/, DWORD /*options*/, REGSAM access,
                                       LPSECURITY_ATTRIBUTES /*security*/, PHKEY result,
                                       LPDWORD disposition) {
  DWORD error;
  if (winsim::ShouldFail("RegCreateKeyExW", &error)) return static_cast<LONG>(error);
  return winsim::registry::CreateKey(key, WideName(subKey), access, result, disposition);
}

extern "C" LONG WINAPI RegCloseKey(HKEY key) {
  DWORD error;
  if (winsim::ShouldFail("RegCloseKey", &error)) return static_cast<LONG>(error);
  std::lock_guard<std::recursive_mutex> guard(winsim::registry::RegistryLock());
  return winsim::registry::CloseHandle(key);
}

extern "C" LONG WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  DWORD error;
  if (winsim::ShouldFail("RegDeleteKeyW", &error)) return static_cast<LONG>(error);
  return winsim::registry::DeleteKey(key, WideName(subKey));
}

extern "C" LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  DWORD error;
  if (winsim::ShouldFail("RegDeleteValueW", &error)) return static_cast<LONG>(error);
  return winsim::registry::DeleteValue(key, WideName(valueName));
}

// dataSize in bytes.
extern "C" LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD /*reserved*/, DWORD type,
                                      const BYTE* data, DWORD dataSize) {
  DWORD error;
  if (winsim::ShouldFail("RegSetValueExW", &error)) return static_cast<LONG>(error);
  // The data is stored exactly as given: a string without its terminator stays without one.
  return winsim::registry::SetValue(key, WideName(valueName), type, data, dataSize);
}

// *dataSize in bytes, in and out. The type is reported also with ERROR_MORE_DATA.
extern "C" LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                                        LPBYTE data, LPDWORD dataSize) {
  DWORD error;
  if (winsim::ShouldFail("RegQueryValueExW", &error)) return static_cast<LONG>(error);
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  Value value;
  LONG status = winsim::registry::GetValue(key, WideName(valueName), &value);
  if (status != ERROR_SUCCESS) return status;
  if (type != nullptr) *type = value.type;
  return winsim::registry::CopyData(value.data, data, dataSize);
}

// *nameLength in characters: in, the capacity with the terminator; out, the length without it.
// A name that does not fit leaves the buffer and *nameLength alone (ERROR_MORE_DATA).
extern "C" LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength,
                                     LPDWORD reserved, LPWSTR keyClass, LPDWORD classLength,
                                     PFILETIME lastWriteTime) {
  DWORD error;
  if (winsim::ShouldFail("RegEnumKeyExW", &error)) return static_cast<LONG>(error);
  if (reserved != nullptr || name == nullptr || nameLength == nullptr)
    return ERROR_INVALID_PARAMETER;
  std::u16string found;
  LONG status = winsim::registry::EnumKey(key, index, &found);
  if (status != ERROR_SUCCESS) return status;
  if (found.size() >= *nameLength) return ERROR_MORE_DATA;
  memcpy(name, found.c_str(), (found.size() + 1) * sizeof(WCHAR));
  *nameLength = static_cast<DWORD>(found.size());
  // Keys have no class here, and no time of last change worth reporting.
  if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = 0;
  if (classLength != nullptr) *classLength = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

// *valueNameLength in characters as for RegEnumKeyExW; *dataSize in bytes. The type and the size
// the data needs are reported also with ERROR_MORE_DATA; a name that fits is then written even
// when the data does not (the data buffer is left alone).
extern "C" LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName,
                                     LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                                     LPBYTE data, LPDWORD dataSize) {
  DWORD error;
  if (winsim::ShouldFail("RegEnumValueW", &error)) return static_cast<LONG>(error);
  if (reserved != nullptr || valueName == nullptr || valueNameLength == nullptr ||
      (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  Value value;
  LONG status = winsim::registry::EnumValue(key, index, &value);
  if (status != ERROR_SUCCESS) return status;
  if (type != nullptr) *type = value.type;
  DWORD capacity = dataSize != nullptr ? *dataSize : 0;
  if (dataSize != nullptr) *dataSize = static_cast<DWORD>(value.data.size());
  if (value.name.size() >= *valueNameLength) return ERROR_MORE_DATA;
  memcpy(valueName, value.name.c_str(), (value.name.size() + 1) * sizeof(WCHAR));
  *valueNameLength = static_cast<DWORD>(value.name.size());
  if (data == nullptr) return ERROR_SUCCESS;
  if (capacity < value.data.size()) return ERROR_MORE_DATA;
  if (!value.data.empty()) memcpy(data, value.data.data(), value.data.size());
  return ERROR_SUCCESS;
}
