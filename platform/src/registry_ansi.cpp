// The A registry entry points: names and the data of the string types go through the ANSI code
// page (1252), where every character is one byte, so lengths in characters of the 8-bit form
// equal those of the 16-bit form. Sizes of A data are in bytes of the 8-bit form.
#include <string.h>

#include "code_page.h"
#include "registry_ops.h"
#include "winsim.h"

using winsim::registry::Name;
using winsim::registry::Value;

namespace {

Name AnsiName(LPCSTR text) {
  Name name;
  if (text != nullptr) {
    name.text = winsim::AnsiToWide(text, strlen(text));
    name.null = false;
  }
  return name;
}

std::string NarrowName(const std::u16string& name) {
  return winsim::WideToAnsi(name.data(), name.size());
}

// 16-bit string data as the A functions return it. An odd last byte is not a character and is
// dropped; a missing terminator stays missing.
std::vector<BYTE> NarrowData(const Value& value) {
  if (!winsim::registry::IsStringType(value.type)) return value.data;
  std::u16string wide(value.data.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
  }
  std::string narrow = winsim::WideToAnsi(wide.data(), wide.size());
  return std::vector<BYTE>(narrow.begin(), narrow.end());
}

std::vector<BYTE> WidenData(DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr || !winsim::registry::IsStringType(type)) {
    return data == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(data, data + size);
  }
  std::u16string wide = winsim::AnsiToWide(reinterpret_cast<const char*>(data), size);
  std::vector<BYTE> bytes(wide.size() * 2);
  for (size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<BYTE>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<BYTE>(wide[i] >> 8);
  }
  return bytes;
}

}  // namespace

extern "C" LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM access,
                                     PHKEY result) {
  DWORD error;
  if (winsim::ShouldFail("RegOpenKeyExA", &error)) return static_cast<LONG>(error);
  return winsim::registry::OpenKey(key, AnsiName(subKey), access, result);
}

extern "C" LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/,
                                       LPSTR /*keyClass*/, DWORD /*options*/, REGSAM access,
                                       LPSECURITY_ATTRIBUTES /*security*/, PHKEY result,
                                       LPDWORD disposition) {
  DWORD error;
  if (winsim::ShouldFail("RegCreateKeyExA", &error)) return static_cast<LONG>(error);
  return winsim::registry::CreateKey(key, AnsiName(subKey), access, result, disposition);
}

extern "C" LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  DWORD error;
  if (winsim::ShouldFail("RegDeleteKeyA", &error)) return static_cast<LONG>(error);
  return winsim::registry::DeleteKey(key, AnsiName(subKey));
}

extern "C" LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  DWORD error;
  if (winsim::ShouldFail("RegDeleteValueA", &error)) return static_cast<LONG>(error);
  return winsim::registry::DeleteValue(key, AnsiName(valueName));
}

// dataSize in bytes of the 8-bit form; string data is stored as the 16-bit text of exactly those
// bytes, so a size without the terminator stores a string without one.
extern "C" LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type,
                                      const BYTE* data, DWORD dataSize) {
  DWORD error;
  if (winsim::ShouldFail("RegSetValueExA", &error)) return static_cast<LONG>(error);
  if (data == nullptr && dataSize != 0) return ERROR_NOACCESS;
  std::vector<BYTE> bytes = WidenData(type, data, dataSize);
  return winsim::registry::SetValue(key, AnsiName(valueName), type, bytes.data(),
                                    static_cast<DWORD>(bytes.size()));
}

// As RegQueryValueExW, with string data and its size in the 8-bit form.
extern "C" LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                        LPBYTE data, LPDWORD dataSize) {
  DWORD error;
  if (winsim::ShouldFail("RegQueryValueExA", &error)) return static_cast<LONG>(error);
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  Value value;
  LONG status = winsim::registry::GetValue(key, AnsiName(valueName), &value);
  if (status != ERROR_SUCCESS) return status;
  if (type != nullptr) *type = value.type;
  return winsim::registry::CopyData(NarrowData(value), data, dataSize);
}

// As RegEnumKeyExW; *nameLength in characters, which are bytes here.
extern "C" LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength,
                                     LPDWORD reserved, LPSTR keyClass, LPDWORD classLength,
                                     PFILETIME lastWriteTime) {
  DWORD error;
  if (winsim::ShouldFail("RegEnumKeyExA", &error)) return static_cast<LONG>(error);
  if (reserved != nullptr || name == nullptr || nameLength == nullptr)
    return ERROR_INVALID_PARAMETER;
  std::u16string found;
  LONG status = winsim::registry::EnumKey(key, index, &found);
  if (status != ERROR_SUCCESS) return status;
  std::string narrow = NarrowName(found);
  if (narrow.size() >= *nameLength) return ERROR_MORE_DATA;
  memcpy(name, narrow.c_str(), narrow.size() + 1);
  *nameLength = static_cast<DWORD>(narrow.size());
  if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = '\0';
  if (classLength != nullptr) *classLength = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

// As RegEnumValueW, except that with ERROR_MORE_DATA the name is not written either: only the
// type and the size the data needs are reported (the A form differs there, as the conformance
// tests pin it).
extern "C" LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName,
                                     LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                                     LPBYTE data, LPDWORD dataSize) {
  DWORD error;
  if (winsim::ShouldFail("RegEnumValueA", &error)) return static_cast<LONG>(error);
  if (reserved != nullptr || valueName == nullptr || valueNameLength == nullptr ||
      (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  Value value;
  LONG status = winsim::registry::EnumValue(key, index, &value);
  if (status != ERROR_SUCCESS) return status;
  std::string name = NarrowName(value.name);
  std::vector<BYTE> bytes = NarrowData(value);
  if (type != nullptr) *type = value.type;
  DWORD capacity = dataSize != nullptr ? *dataSize : 0;
  if (dataSize != nullptr) *dataSize = static_cast<DWORD>(bytes.size());
  if (name.size() >= *valueNameLength || (data != nullptr && capacity < bytes.size())) {
    return ERROR_MORE_DATA;
  }
  memcpy(valueName, name.c_str(), name.size() + 1);
  *valueNameLength = static_cast<DWORD>(name.size());
  if (data != nullptr && !bytes.empty()) memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}
