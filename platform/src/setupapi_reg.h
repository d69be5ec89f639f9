// The device installer's registry work, done through the ordinary registry functions on
// HKEY_LOCAL_MACHINE, so devices live in the registry exactly where Windows keeps them. Every
// helper returns the registry's LONG code unchanged.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace winsim {
namespace setupapi {

// Below HKEY_LOCAL_MACHINE.
extern const char16_t kEnumPath[];            // SYSTEM\CurrentControlSet\Enum
extern const char16_t kClassPath[];           // SYSTEM\CurrentControlSet\Control\Class
extern const char16_t kDeviceSpecificPath[];  // the modem responses shared between devices

// An open key, closed when it goes out of scope.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() { Close(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  HKEY get() const { return key_; }
  // For the out parameter of RegOpenKeyExW and RegCreateKeyExW; closes what was held.
  HKEY* out() {
    Close();
    return &key_;
  }
  // Hands the key to the caller, who closes it.
  HKEY release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

std::u16string JoinPath(const std::u16string& a, const std::u16string& b);
std::u16string InstanceKeyPath(const std::u16string& instanceId);  // below kEnumPath
std::u16string DriverKeyPath(const std::u16string& driver);         // "{guid}\NNNN" below kClassPath
// True for an instance's Driver value of the form "{guid}\NNNN". Anything else names no
// driver key: a bare "{guid}" would name the whole class key.
bool IsDriverValue(const std::u16string& driver);

LONG OpenKey(HKEY root, const std::u16string& path, REGSAM access, RegKey* key);
// Creates every missing key on the way; *created (optional) says whether the last one is new.
LONG CreateKey(HKEY root, const std::u16string& path, RegKey* key, bool* created = nullptr);

// A value's type and bytes.
LONG ReadValue(HKEY key, const char16_t* name, DWORD* type, std::vector<BYTE>* data);
// A REG_SZ or REG_EXPAND_SZ value, whether or not it was stored with its terminator.
// ERROR_FILE_NOT_FOUND when missing, ERROR_INVALID_DATA for another type.
LONG ReadString(HKEY key, const char16_t* name, std::u16string* value);
LONG WriteString(HKEY key, const char16_t* name, const std::u16string& value);
// REG_DWORD; ERROR_INVALID_DATA for another type or size.
LONG ReadDword(HKEY key, const char16_t* name, DWORD* value);
LONG WriteDword(HKEY key, const char16_t* name, DWORD value);
bool ValueExists(HKEY key, const char16_t* name);

// Names of the subkeys, in the registry's order.
LONG SubkeyNames(HKEY key, std::vector<std::u16string>* names);

// Deletes `path` below `root` and everything under it. ERROR_SUCCESS also when it was not
// there. The walk is bounded by the registry's own depth limit.
LONG DeleteTree(HKEY root, const std::u16string& path);
// Deletes `path` when it has neither subkeys nor values, then its parents the same way, up to
// but not including `stop`.
void DeleteEmptyKeys(HKEY root, const std::u16string& path, const std::u16string& stop);

// The lowest four-digit name from 0000 that is neither a subkey of `path` (which may be
// missing) nor in `alsoTaken`; *number is -1 when all 10000 are taken. A registry failure is
// returned and leaves *number alone.
LONG LowestFreeNumber(HKEY root, const std::u16string& path, const std::vector<int>& alsoTaken,
                      int* number);

}  // namespace setupapi
}  // namespace winsim
