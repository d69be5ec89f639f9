// The modem class installer's part of DIF_INSTALLDEVICE, after the driver key is written:
//
// - FriendlyName (driver key and instance key): the driver's description, or, when another
//   present modem already has that name, the description with " #2", " #3", ... appended, the
//   lowest number free, names compared without regard to case.
// - ResponsesKeyName (driver key): "<Description>#<MfgName>#<ProviderName>", the three texts
//   that identify the driver entry, as SetupDiSetSelectedDriverW matches them. A backslash
//   would make it a path and becomes "_"; it is cut to 255 characters, a key name's limit.
// - HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\<ResponsesKeyName>,
//   shared by every modem of that driver: REG_DWORD RefCount counts them, 1 when the key is
//   made. When this call makes the key, the INF's HKR entries below Responses are written into
//   it as well (they also went into the driver key); a key already there keeps its responses.
//   A reinstallation of a device that already holds the key does not count it again; one that
//   moves to another key gives the old one back first.
//
// Removal does not touch the DeviceSpecific key: the uninstaller lowers RefCount itself.
#include "setupapi_install.h"
#include "setupapi_text.h"

namespace winsim {
namespace setupapi {
namespace {

constexpr size_t kMaxKeyName = 255;

// FriendlyName of every present modem but `self`.
DWORD OtherFriendlyNames(const std::u16string& self, std::vector<std::u16string>* names) {
  std::vector<Instance> instances;
  LONG status = RegistryInstances(&instances);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  for (const Instance& instance : instances) {
    if (!instance.hasClass || !SameGuid(instance.classGuid, kModemClass) || SameText(instance.id, self)) continue;
    RegKey instanceKey;
    std::u16string driver;
    if (OpenKey(HKEY_LOCAL_MACHINE, InstanceKeyPath(instance.id), KEY_READ, &instanceKey) != ERROR_SUCCESS ||
        ReadString(instanceKey.get(), u"Driver", &driver) != ERROR_SUCCESS || !IsDriverValue(driver)) {
      continue;  // not installed: it has no name yet
    }
    RegKey driverKey;
    std::u16string name;
    if (OpenKey(HKEY_LOCAL_MACHINE, DriverKeyPath(driver), KEY_READ, &driverKey) == ERROR_SUCCESS &&
        ReadString(driverKey.get(), u"FriendlyName", &name) == ERROR_SUCCESS) {
      names->push_back(name);
    }
  }
  return ERROR_SUCCESS;
}

std::u16string UniqueName(const std::u16string& description, const std::vector<std::u16string>& taken) {
  auto isTaken = [&](const std::u16string& name) {
    for (const std::u16string& other : taken) {
      if (SameText(other, name)) return true;
    }
    return false;
  };
  std::u16string name = description;
  for (int number = 2; isTaken(name); ++number) name = description + u" #" + Widen(std::to_string(number).c_str());
  return name;
}

std::u16string ResponsesKeyName(const DriverNode& driver) {
  std::u16string name = driver.description + u"#" + driver.manufacturer + u"#" + driver.provider;
  for (char16_t& c : name) {
    if (c == u'\\') c = u'_';
  }
  return name.substr(0, kMaxKeyName);
}

// Adds `delta` to the RefCount of DeviceSpecific\<name>, never below 0. A key that is gone
// has nobody left to count.
DWORD AdjustRefCount(const std::u16string& name, int delta) {
  RegKey key;
  LONG status = OpenKey(HKEY_LOCAL_MACHINE, JoinPath(kDeviceSpecificPath, name), KEY_ALL_ACCESS, &key);
  if (status == ERROR_FILE_NOT_FOUND && delta < 0) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  DWORD count = 0;
  status = ReadDword(key.get(), u"RefCount", &count);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return static_cast<DWORD>(status);
  if (delta < 0) count = count > 0 ? count - 1 : 0;
  else count += static_cast<DWORD>(delta);
  return static_cast<DWORD>(WriteDword(key.get(), u"RefCount", count));
}

}  // namespace

DWORD InstallModem(const Device& device, const DriverNode& driver, HKEY driverKey, HKEY instanceKey,
                   const std::vector<AddRegEntry>& entries, InstallUndo* undo) {
  std::vector<std::u16string> taken;
  DWORD error = OtherFriendlyNames(device.instanceId, &taken);
  if (error != ERROR_SUCCESS) return error;
  std::u16string friendlyName = UniqueName(driver.description, taken);
  LONG status = WriteString(driverKey, u"FriendlyName", friendlyName);
  if (status == ERROR_SUCCESS) status = WriteString(instanceKey, u"FriendlyName", friendlyName);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);

  std::u16string responsesKeyName = ResponsesKeyName(driver);
  std::u16string previous;
  ReadString(driverKey, u"ResponsesKeyName", &previous);
  status = WriteString(driverKey, u"ResponsesKeyName", responsesKeyName);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  if (SameText(previous, responsesKeyName)) return ERROR_SUCCESS;  // already counted

  std::u16string path = JoinPath(kDeviceSpecificPath, responsesKeyName);
  RegKey shared;
  bool created = false;
  status = CreateKey(HKEY_LOCAL_MACHINE, path, &shared, &created);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  if (created) {
    undo->createdKeys.push_back(path);
    for (const AddRegEntry& entry : entries) {
      if (!IsResponsesEntry(entry)) continue;
      status = ApplyAddReg(entry, shared.get());
      if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    }
  }
  shared.Close();
  if (!previous.empty()) {
    error = AdjustRefCount(previous, -1);
    if (error != ERROR_SUCCESS) return error;
  }
  // Counted last, so a failure before leaves no count that nothing holds.
  return AdjustRefCount(responsesKeyName, +1);
}

}  // namespace setupapi
}  // namespace winsim
