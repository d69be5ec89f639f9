// Device information sets and their elements: creation, enumeration and instance ids.
#include "setupapi_sets.h"

#include <map>

#include "setupapi_reg.h"
#include "setupapi_text.h"
#include "winsim.h"

namespace winsim {
namespace setupapi {

const GUID kModemClass = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

namespace {

struct State {
  std::map<HDEVINFO, std::unique_ptr<DeviceInfoSet>> sets;
  uintptr_t nextHandle = 0x5E70010;  // handles only have to be unique; they are never reused
  ULONG_PTR nextToken = 1;
  DWORD nextDevInst = 1;
};

State& TheState() {
  static State state;
  return state;
}

const struct KnownClass {
  GUID guid;
  const char16_t* name;
} kKnownClasses[] = {
    {{0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}, u"Modem"},
    {{0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}, u"Ports"},
    {{0x50906CB8, 0xBA12, 0x11D1, {0xBF, 0x5D, 0x00, 0x00, 0xF8, 0x05, 0xF5, 0x30}}, u"MultiPortSerial"},
};

// A device id may hold the visible ASCII characters except the comma; the backslash only
// between the parts of an instance id.
bool IsIdCharacter(char16_t c) { return c > 0x20 && c < 0x7F && c != u',' && c != u'\\'; }

bool IsValidDeviceName(const std::u16string& name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    if (!IsIdCharacter(c)) return false;
  }
  return true;
}

// "ENUMERATOR\DEVICE\INSTANCE", each part non-empty.
bool IsValidInstanceId(const std::u16string& id) {
  int parts = 0;
  size_t start = 0;
  for (;;) {
    size_t end = id.find(u'\\', start);
    std::u16string part = id.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    if (!IsValidDeviceName(part)) return false;
    ++parts;
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  return parts >= 3;
}

// True when an element of an open set, not removed, already has this instance id: it holds
// the id as Windows holds a phantom device node, even before it is registered.
bool IdReserved(const std::u16string& id) {
  for (DeviceInfoSet* set : AllSets()) {
    for (const auto& device : set->devices) {
      if (!device->removed && SameText(device->instanceId, id)) return true;
    }
  }
  return false;
}

// ROOT\<NAME>\NNNN with the lowest number neither in the registry nor held by an element.
DWORD GenerateInstanceId(const std::u16string& name, std::u16string* id) {
  std::u16string prefix = u"ROOT\\" + Upper(name) + u"\\";
  std::vector<int> held;
  for (DeviceInfoSet* set : AllSets()) {
    for (const auto& device : set->devices) {
      if (!device->removed && StartsWithText(device->instanceId, prefix)) {
        held.push_back(FourDigitNumber(device->instanceId.substr(prefix.size())));
      }
    }
  }
  int number = -1;
  LONG status = LowestFreeNumber(HKEY_LOCAL_MACHINE, InstanceKeyPath(prefix.substr(0, prefix.size() - 1)),
                                 held, &number);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  if (number < 0) return ERROR_DEVINST_ALREADY_EXISTS;
  *id = prefix + FourDigits(number);
  return ERROR_SUCCESS;
}

DWORD CheckNewInstanceId(const std::u16string& id) {
  if (IdReserved(id)) return ERROR_DEVINST_ALREADY_EXISTS;
  RegKey key;
  LONG status = OpenKey(HKEY_LOCAL_MACHINE, InstanceKeyPath(id), KEY_READ, &key);
  if (status == ERROR_SUCCESS) return ERROR_DEVINST_ALREADY_EXISTS;
  if (status != ERROR_FILE_NOT_FOUND) return static_cast<DWORD>(status);
  return ERROR_SUCCESS;
}

}  // namespace

std::recursive_mutex& SetupLock() {
  static std::recursive_mutex lock;
  return lock;
}

HDEVINFO AddSet(std::unique_ptr<DeviceInfoSet> set) {
  State& state = TheState();
  HDEVINFO handle = reinterpret_cast<HDEVINFO>(state.nextHandle);
  state.nextHandle += 0x10;
  state.sets[handle] = std::move(set);
  CountOpened(Resource::DeviceInfoSet);
  return handle;
}

DeviceInfoSet* FindSet(HDEVINFO handle) {
  auto found = TheState().sets.find(handle);
  return found == TheState().sets.end() ? nullptr : found->second.get();
}

bool RemoveSet(HDEVINFO handle) {
  if (TheState().sets.erase(handle) == 0) return false;
  CountClosed(Resource::DeviceInfoSet);
  return true;
}

std::vector<DeviceInfoSet*> AllSets() {
  std::vector<DeviceInfoSet*> sets;
  for (auto& entry : TheState().sets) sets.push_back(entry.second.get());
  return sets;
}

DWORD FindDevice(DeviceInfoSet* set, const SP_DEVINFO_DATA* record, Device** device) {
  if (record == nullptr || record->cbSize != sizeof(SP_DEVINFO_DATA)) return ERROR_INVALID_PARAMETER;
  for (const auto& candidate : set->devices) {
    if (candidate->token == record->Reserved) {
      *device = candidate.get();
      return ERROR_SUCCESS;
    }
  }
  return ERROR_INVALID_PARAMETER;
}

DWORD FindPresentDevice(HDEVINFO handle, const SP_DEVINFO_DATA* record, Device** device) {
  DeviceInfoSet* set = FindSet(handle);
  if (set == nullptr) return ERROR_INVALID_HANDLE;
  DWORD error = FindDevice(set, record, device);
  if (error != ERROR_SUCCESS) return error;
  return (*device)->removed ? ERROR_NO_SUCH_DEVINST : ERROR_SUCCESS;
}

Device* AddDevice(DeviceInfoSet* set, const std::u16string& instanceId, const GUID& classGuid,
                  const std::u16string& description) {
  State& state = TheState();
  auto device = std::make_unique<Device>();
  device->token = state.nextToken++;
  device->devInst = state.nextDevInst++;
  device->instanceId = Upper(instanceId);
  device->classGuid = classGuid;
  device->description = description;
  set->devices.push_back(std::move(device));
  return set->devices.back().get();
}

void DropDevice(DeviceInfoSet* set, const Device* device) {
  for (auto it = set->devices.begin(); it != set->devices.end(); ++it) {
    if (it->get() == device) {
      set->devices.erase(it);
      return;
    }
  }
}

void FillRecord(const Device& device, SP_DEVINFO_DATA* record) {
  record->ClassGuid = device.classGuid;
  record->DevInst = device.devInst;
  record->Reserved = device.token;
}

ULONG_PTR NewDriverToken() { return TheState().nextToken++; }

std::u16string ClassName(const GUID& classGuid) {
  RegKey key;
  std::u16string name;
  if (OpenKey(HKEY_LOCAL_MACHINE, JoinPath(kClassPath, GuidText(classGuid)), KEY_READ, &key) == ERROR_SUCCESS &&
      ReadString(key.get(), u"Class", &name) == ERROR_SUCCESS && !name.empty()) {
    return name;
  }
  for (const KnownClass& known : kKnownClasses) {
    if (SameGuid(known.guid, classGuid)) return known.name;
  }
  return u"";
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace setupapi
}  // namespace winsim

using namespace winsim::setupapi;

// A new, empty set; with a class GUID only elements of that class may join it.
extern "C" HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* classGuid, HWND /*parent*/) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiCreateDeviceInfoList", &error)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  SetupGuard guard(SetupLock());
  auto set = std::make_unique<DeviceInfoSet>();
  if (classGuid != nullptr) {
    set->hasClass = true;
    set->classGuid = *classGuid;
  }
  return AddSet(std::move(set));
}

// Elements not yet registered give their instance ids back with the set, as phantom device
// nodes go with theirs; registered devices stay in the registry.
extern "C" BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiDestroyDeviceInfoList", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  if (!RemoveSet(set)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

extern "C" BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO setHandle, DWORD index, PSP_DEVINFO_DATA record) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiEnumDeviceInfo", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  DeviceInfoSet* set = FindSet(setHandle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (record == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (record->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (index >= set->devices.size()) return Fail(ERROR_NO_MORE_ITEMS);
  FillRecord(*set->devices[index], record);
  return TRUE;
}

// idSize and *requiredSize count characters, the terminator included. A buffer too small gets
// nothing, and ERROR_INSUFFICIENT_BUFFER with the size needed.
extern "C" BOOL WINAPI SetupDiGetDeviceInstanceIdW(HDEVINFO setHandle, PSP_DEVINFO_DATA record,
                                                   PWSTR id, DWORD idSize, PDWORD requiredSize) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiGetDeviceInstanceIdW", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  Device* device = nullptr;
  error = FindPresentDevice(setHandle, record, &device);
  if (error != ERROR_SUCCESS) return Fail(error);
  DWORD needed = static_cast<DWORD>(device->instanceId.size() + 1);
  if (requiredSize != nullptr) *requiredSize = needed;
  if (id == nullptr && idSize != 0) return Fail(ERROR_INVALID_USER_BUFFER);
  if (idSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  CopyBounded(device->instanceId, id, idSize);
  return TRUE;
}

// With DICD_GENERATE_ID `deviceName` is a root device id ("VMODEMS") and the instance id is
// ROOT\VMODEMS\NNNN with the lowest free number; without it `deviceName` is a whole instance
// id. Either is kept in upper case. A record with a wrong cbSize fails the call with
// ERROR_INVALID_USER_BUFFER, but the element has joined the set, as documented.
extern "C" BOOL WINAPI SetupDiCreateDeviceInfoW(HDEVINFO setHandle, PCWSTR deviceName,
                                                const GUID* classGuid, PCWSTR description,
                                                HWND /*parent*/, DWORD flags, PSP_DEVINFO_DATA record) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiCreateDeviceInfoW", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  DeviceInfoSet* set = FindSet(setHandle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if ((flags & ~(DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS)) != 0) return Fail(ERROR_INVALID_FLAGS);
  if (classGuid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (deviceName == nullptr) return Fail(ERROR_INVALID_DEVINST_NAME);
  if (set->hasClass && !SameGuid(set->classGuid, *classGuid)) return Fail(ERROR_CLASS_MISMATCH);

  std::u16string name = reinterpret_cast<const char16_t*>(deviceName);
  std::u16string id;
  // An instance id has at most MAX_DEVICE_ID_LEN - 1 characters; "ROOT\" and "\NNNN" add 10.
  if ((flags & DICD_GENERATE_ID) != 0) {
    if (!IsValidDeviceName(name) || name.size() + 10 >= MAX_DEVICE_ID_LEN) {
      return Fail(ERROR_INVALID_DEVINST_NAME);
    }
    error = GenerateInstanceId(name, &id);
  } else {
    if (!IsValidInstanceId(name) || name.size() >= MAX_DEVICE_ID_LEN) {
      return Fail(ERROR_INVALID_DEVINST_NAME);
    }
    id = Upper(name);
    error = CheckNewInstanceId(id);
  }
  if (error != ERROR_SUCCESS) return Fail(error);

  Device* device = AddDevice(set, id, *classGuid,
                             description != nullptr ? reinterpret_cast<const char16_t*>(description) : u"");
  if ((flags & DICD_INHERIT_CLASSDRVS) != 0) device->classDrivers = set->classDrivers;
  if (record != nullptr) {
    if (record->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
    FillRecord(*device, record);
  }
  return TRUE;
}
