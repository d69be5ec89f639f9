// Registry helpers of the simulated device installer, over the Win32 registry functions.
#include "setupapi_reg.h"

#include <string.h>

#include <algorithm>

#include <setupapi.h>

#include "setupapi_text.h"

namespace winsim {
namespace setupapi {

const char16_t kEnumPath[] = u"SYSTEM\\CurrentControlSet\\Enum";
const char16_t kClassPath[] = u"SYSTEM\\CurrentControlSet\\Control\\Class";
const char16_t kDeviceSpecificPath[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific";

namespace {

// Windows bounds a key path to 512 levels; a tree walk never needs to go deeper.
constexpr int kMaxTreeDepth = 512;

LONG DeleteBelow(HKEY root, const std::u16string& path, int depth) {
  if (depth > kMaxTreeDepth) return ERROR_INVALID_PARAMETER;
  RegKey key;
  LONG status = OpenKey(root, path, KEY_READ, &key);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::u16string> children;
  status = SubkeyNames(key.get(), &children);
  key.Close();
  if (status != ERROR_SUCCESS) return status;
  for (const std::u16string& child : children) {
    status = DeleteBelow(root, JoinPath(path, child), depth + 1);
    if (status != ERROR_SUCCESS) return status;
  }
  status = RegDeleteKeyW(root, reinterpret_cast<LPCWSTR>(path.c_str()));
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

std::u16string JoinPath(const std::u16string& a, const std::u16string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + u"\\" + b;
}

std::u16string InstanceKeyPath(const std::u16string& instanceId) {
  return JoinPath(kEnumPath, instanceId);
}

std::u16string DriverKeyPath(const std::u16string& driver) { return JoinPath(kClassPath, driver); }

bool IsDriverValue(const std::u16string& driver) {
  GUID guid;
  return driver.size() == 38 + 1 + 4 && ParseGuid(driver.substr(0, 38), &guid) && driver[38] == u'\\' &&
         FourDigitNumber(driver.substr(39)) >= 0;
}

LONG OpenKey(HKEY root, const std::u16string& path, REGSAM access, RegKey* key) {
  return RegOpenKeyExW(root, reinterpret_cast<LPCWSTR>(path.c_str()), 0, access, key->out());
}

LONG CreateKey(HKEY root, const std::u16string& path, RegKey* key, bool* created) {
  DWORD disposition = 0;
  LONG status = RegCreateKeyExW(root, reinterpret_cast<LPCWSTR>(path.c_str()), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key->out(),
                                &disposition);
  if (status == ERROR_SUCCESS && created != nullptr) *created = disposition == REG_CREATED_NEW_KEY;
  return status;
}

LONG ReadValue(HKEY key, const char16_t* name, DWORD* type, std::vector<BYTE>* data) {
  DWORD size = 0;
  LPCWSTR valueName = reinterpret_cast<LPCWSTR>(name);
  LONG status = RegQueryValueExW(key, valueName, nullptr, type, nullptr, &size);
  // The value may change between the two calls; ask again while it grows.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data->resize(size);
    status = RegQueryValueExW(key, valueName, nullptr, type, data->data(), &size);
    if (status == ERROR_SUCCESS) {
      data->resize(size);
      break;
    }
  }
  return status;
}

LONG ReadString(HKEY key, const char16_t* name, std::u16string* value) {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  LONG status = ReadValue(key, name, &type, &data);
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  // The stored data promises no terminator; take what is there, up to the first NUL.
  std::u16string text(data.size() / sizeof(char16_t), u'\0');
  if (!text.empty()) memcpy(&text[0], data.data(), text.size() * sizeof(char16_t));
  size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  *value = text;
  return ERROR_SUCCESS;
}

LONG WriteString(HKEY key, const char16_t* name, const std::u16string& value) {
  return RegSetValueExW(key, reinterpret_cast<LPCWSTR>(name), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

LONG ReadDword(HKEY key, const char16_t* name, DWORD* value) {
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = sizeof data;
  LONG status = RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(name), nullptr, &type,
                                 reinterpret_cast<BYTE*>(&data), &size);
  if (status == ERROR_MORE_DATA) return ERROR_INVALID_DATA;
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_DWORD || size != sizeof data) return ERROR_INVALID_DATA;
  *value = data;
  return ERROR_SUCCESS;
}

LONG WriteDword(HKEY key, const char16_t* name, DWORD value) {
  return RegSetValueExW(key, reinterpret_cast<LPCWSTR>(name), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool ValueExists(HKEY key, const char16_t* name) {
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, reinterpret_cast<LPCWSTR>(name), nullptr, nullptr, nullptr, &size);
  return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

LONG SubkeyNames(HKEY key, std::vector<std::u16string>* names) {
  names->clear();
  for (DWORD index = 0;; ++index) {
    WCHAR name[256];  // a key name has at most 255 characters
    DWORD length = sizeof name / sizeof name[0];
    LONG status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    names->emplace_back(reinterpret_cast<const char16_t*>(name), length);
  }
}

LONG DeleteTree(HKEY root, const std::u16string& path) { return DeleteBelow(root, path, 0); }

void DeleteEmptyKeys(HKEY root, const std::u16string& path, const std::u16string& stop) {
  std::u16string current = path;
  while (!current.empty() && !SameText(current, stop) && StartsWithText(current, stop)) {
    RegKey key;
    if (OpenKey(root, current, KEY_READ, &key) != ERROR_SUCCESS) return;
    WCHAR name[256];
    DWORD length = sizeof name / sizeof name[0];
    bool hasSubkey = RegEnumKeyExW(key.get(), 0, name, &length, nullptr, nullptr, nullptr,
                                   nullptr) != ERROR_NO_MORE_ITEMS;
    length = sizeof name / sizeof name[0];
    bool hasValue = RegEnumValueW(key.get(), 0, name, &length, nullptr, nullptr, nullptr,
                                  nullptr) != ERROR_NO_MORE_ITEMS;
    key.Close();
    if (hasSubkey || hasValue) return;
    if (RegDeleteKeyW(root, reinterpret_cast<LPCWSTR>(current.c_str())) != ERROR_SUCCESS) return;
    size_t slash = current.rfind(u'\\');
    if (slash == std::u16string::npos) return;
    current.resize(slash);
  }
}

LONG LowestFreeNumber(HKEY root, const std::u16string& path, const std::vector<int>& alsoTaken,
                      int* number) {
  std::vector<bool> taken(10000, false);
  for (int used : alsoTaken) {
    if (used >= 0 && used < 10000) taken[used] = true;
  }
  RegKey key;
  LONG status = OpenKey(root, path, KEY_READ, &key);
  if (status == ERROR_SUCCESS) {
    std::vector<std::u16string> names;
    status = SubkeyNames(key.get(), &names);
    if (status != ERROR_SUCCESS) return status;
    for (const std::u16string& name : names) {
      int used = FourDigitNumber(name);
      if (used >= 0) taken[used] = true;
    }
  } else if (status != ERROR_FILE_NOT_FOUND) {
    return status;  // a number that only looks free must not be handed out
  }
  auto free = std::find(taken.begin(), taken.end(), false);
  *number = free == taken.end() ? -1 : static_cast<int>(free - taken.begin());
  return ERROR_SUCCESS;
}

}  // namespace setupapi
}  // namespace winsim
