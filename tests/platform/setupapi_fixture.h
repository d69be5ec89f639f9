// What the device installer tests share: the classes, text helpers, the INF fixtures put into
// the system's INF folder, and a set that gives back what a test made in it.
#pragma once

#define USE_SP_DRVINFO_DATA_V1 1  // the NT 4.0 layout the product uses; Windows headers pick V2
#include <windows.h>
#include <setupapi.h>

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "registry_fixture.h"
#include "wide_text.h"
#ifndef _WIN32
#include "winsim.h"
#endif

#ifndef MAX_DEVICE_ID_LEN
#define MAX_DEVICE_ID_LEN 200
#endif

namespace setupapi_test {

constexpr DWORD kSentinel = 0xDEADBEEF;

const GUID kModemClass = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

constexpr char kModemClassText[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kEnumPath[] = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr char kModemClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kDeviceSpecificPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\";

typedef std::basic_string<WCHAR> WString;

inline WString Wide(const std::string& text) {
  WString out;
  for (unsigned char c : text) out += static_cast<WCHAR>(c);  // ASCII and Latin-1 as the same numbers
  return out;
}

inline std::string Narrow(const WString& text) {
  std::string out;
  for (WCHAR c : text) out += c < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

inline std::string Narrow(const WCHAR* text) { return Narrow(WString(text)); }

inline bool SameGuid(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

// The instance id of an element, or "" when it has none.
inline std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device) {
  WCHAR id[MAX_DEVICE_ID_LEN];
  if (!SetupDiGetDeviceInstanceIdW(set, device, id, MAX_DEVICE_ID_LEN, nullptr)) return "";
  return Narrow(id);
}

// A REG_SZ value as 8-bit text; "(missing)" when it cannot be read.
inline std::string RegText(HKEY root, const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "(missing)";
  char data[1024];
  DWORD size = sizeof data - 1;
  DWORD type = REG_NONE;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return "(missing)";
  data[size] = '\0';
  return data;
}

// A REG_DWORD value; `missing` when it cannot be read.
inline DWORD RegNumber(HKEY root, const std::string& path, const char* name, DWORD missing = 0xFFFFFFFF) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return missing;
  DWORD data = 0;
  DWORD size = sizeof data;
  DWORD type = REG_NONE;
  LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD ? data : missing;
}

// The host or Windows path of an INF fixture, and of the system's INF folder.
inline std::string InfFixture(const std::string& name) {
#ifdef _WIN32
  return RegFixtureFolder() + "\\inf\\" + name;
#else
  return RegFixtureFolder() + "/inf/" + name;
#endif
}

inline std::string InfFolderFile(const std::string& name) {
#ifdef _WIN32
  char windows[MAX_PATH];
  UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  return std::string(windows, length < sizeof windows ? length : 0) + "\\inf\\" + name;
#else
  return winsim::InfFolder() + "/" + name;
#endif
}

inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

// Copies tests/fixtures/inf/<name> into the INF folder.
inline bool PutInf(const std::string& name) {
  std::ifstream in(InfFixture(name), std::ios::binary);
  if (!in) {
    fprintf(stderr, "no fixture %s\n", InfFixture(name).c_str());
    return false;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  return WriteFileBytes(InfFolderFile(name), bytes.str());
}

// A device information set that removes, when it goes, the devices a test registered through
// it, and destroys itself; so a test leaves the registry (and the Wine prefix) as it found it.
class TestSet {
 public:
  explicit TestSet(const GUID* classGuid = &kModemClass) : handle_(SetupDiCreateDeviceInfoList(classGuid, nullptr)) {}
  explicit TestSet(HDEVINFO handle) : handle_(handle) {}
  ~TestSet() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    for (SP_DEVINFO_DATA& device : registered_) SetupDiRemoveDevice(handle_, &device);
    SetupDiDestroyDeviceInfoList(handle_);
  }
  TestSet(const TestSet&) = delete;
  TestSet& operator=(const TestSet&) = delete;

  HDEVINFO get() const { return handle_; }

  // A new element with a generated ROOT\<name>\NNNN id; false (and a cleared record) on failure.
  bool Create(SP_DEVINFO_DATA* device, const WCHAR* name = WTEXT("VMODEMS"), const WCHAR* description = WTEXT("Test modem"),
              DWORD flags = DICD_GENERATE_ID, const GUID& classGuid = kModemClass) {
    *device = SP_DEVINFO_DATA{};
    device->cbSize = sizeof *device;
    return SetupDiCreateDeviceInfoW(handle_, name, &classGuid, description, nullptr, flags, device) != FALSE;
  }
  // Registers it, to be removed again when the set goes.
  bool Register(SP_DEVINFO_DATA* device, DWORD flags = 0) {
    if (!SetupDiRegisterDeviceInfo(handle_, device, flags, nullptr, nullptr, nullptr)) return false;
    Keep(*device);
    return true;
  }
  bool CreateRegistered(SP_DEVINFO_DATA* device, const WCHAR* name = WTEXT("VMODEMS"),
                        const WCHAR* description = WTEXT("Test modem")) {
    return Create(device, name, description) && Register(device);
  }
  // A device this set registered some other way, to be removed when the set goes.
  void Keep(const SP_DEVINFO_DATA& device) { registered_.push_back(device); }

 private:
  HDEVINFO handle_;
  std::vector<SP_DEVINFO_DATA> registered_;
};

// The instance ids of every element of a set, in its order.
inline std::vector<std::string> SetIds(HDEVINFO set) {
  std::vector<std::string> ids;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(set, index, &device)) break;
    ids.push_back(InstanceId(set, &device));
  }
  return ids;
}

// Removes every device below Enum\<enumerator> of the modem class, so a test starts without
// devices an earlier one may have left in a shared prefix.
inline void RemoveModems(const WCHAR* enumerator) {
  HDEVINFO set = SetupDiGetClassDevsW(&kModemClass, enumerator, nullptr, 0);
  if (set == INVALID_HANDLE_VALUE) return;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(set, index, &device)) break;
    SetupDiRemoveDevice(set, &device);
  }
  SetupDiDestroyDeviceInfoList(set);
}

}  // namespace setupapi_test
