// Devices in the registry: registration, the present devices of a class, removal.
//
// A device instance is the key HKLM\SYSTEM\CurrentControlSet\Enum\<enumerator>\<device>\<instance>
// with ClassGUID, Class and DeviceDesc; its driver (software) key is named by its Driver value,
// "{class guid}\NNNN" below HKLM\SYSTEM\CurrentControlSet\Control\Class. An element is written
// there when it is registered; before that only the set knows it.
#include <algorithm>

#include "setupapi_reg.h"
#include "setupapi_sets.h"
#include "setupapi_text.h"
#include "winsim.h"

namespace winsim {
namespace setupapi {

LONG RegistryInstances(std::vector<Instance>* instances) {
  instances->clear();
  RegKey enumKey;
  LONG status = OpenKey(HKEY_LOCAL_MACHINE, kEnumPath, KEY_READ, &enumKey);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  std::vector<std::u16string> enumerators;
  status = SubkeyNames(enumKey.get(), &enumerators);
  if (status != ERROR_SUCCESS) return status;
  for (const std::u16string& enumerator : enumerators) {
    RegKey enumeratorKey;
    std::vector<std::u16string> deviceIds;
    status = OpenKey(enumKey.get(), enumerator, KEY_READ, &enumeratorKey);
    if (status == ERROR_SUCCESS) status = SubkeyNames(enumeratorKey.get(), &deviceIds);
    if (status != ERROR_SUCCESS) return status;
    for (const std::u16string& deviceId : deviceIds) {
      RegKey deviceKey;
      std::vector<std::u16string> instanceNames;
      status = OpenKey(enumeratorKey.get(), deviceId, KEY_READ, &deviceKey);
      if (status == ERROR_SUCCESS) status = SubkeyNames(deviceKey.get(), &instanceNames);
      if (status != ERROR_SUCCESS) return status;
      for (const std::u16string& instanceName : instanceNames) {
        RegKey instanceKey;
        status = OpenKey(deviceKey.get(), instanceName, KEY_READ, &instanceKey);
        if (status != ERROR_SUCCESS) return status;
        Instance instance;
        instance.id = enumerator + u"\\" + deviceId + u"\\" + instanceName;
        std::u16string classText;
        instance.hasClass = ReadString(instanceKey.get(), u"ClassGUID", &classText) == ERROR_SUCCESS &&
                            ParseGuid(classText, &instance.classGuid);
        ReadString(instanceKey.get(), u"DeviceDesc", &instance.description);
        instances->push_back(instance);
      }
    }
  }
  std::sort(instances->begin(), instances->end(),
            [](const Instance& a, const Instance& b) { return LessText(a.id, b.id); });
  return ERROR_SUCCESS;
}

namespace {

std::u16string ParentPath(const std::u16string& path) {
  size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? u"" : path.substr(0, slash);
}

// Writes the instance key of a device that is not in the registry yet. An instance key that
// is already there belongs to another device: ERROR_DEVINST_ALREADY_EXISTS, and it is left alone.
DWORD WriteInstanceKey(const Device& device) {
  std::u16string path = InstanceKeyPath(device.instanceId);
  RegKey key;
  bool created = false;
  LONG status = CreateKey(HKEY_LOCAL_MACHINE, path, &key, &created);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  if (!created) return ERROR_DEVINST_ALREADY_EXISTS;
  status = WriteString(key.get(), u"ClassGUID", GuidText(device.classGuid));
  std::u16string className = ClassName(device.classGuid);
  if (status == ERROR_SUCCESS && !className.empty()) status = WriteString(key.get(), u"Class", className);
  if (status == ERROR_SUCCESS && !device.description.empty()) {
    status = WriteString(key.get(), u"DeviceDesc", device.description);
  }
  if (status != ERROR_SUCCESS) {
    // Half an instance key would be a device nobody created.
    key.Close();
    DeleteTree(HKEY_LOCAL_MACHINE, path);
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, ParentPath(path), kEnumPath);
  }
  return static_cast<DWORD>(status);
}

// Calls `compare` for every other registered device of the class. Each is passed as an element
// of the set: one already there, or one added for the call and dropped again unless it is the
// duplicate reported through `duplicate`.
DWORD FindDuplicate(HDEVINFO handle, SP_DEVINFO_DATA* record, PSP_DETSIG_CMPPROC compare,
                    PVOID context, PSP_DEVINFO_DATA duplicate) {
  DeviceInfoSet* set = FindSet(handle);
  Device* device = nullptr;
  if (set == nullptr || FindDevice(set, record, &device) != ERROR_SUCCESS) return ERROR_INVALID_HANDLE;
  GUID classGuid = device->classGuid;
  std::u16string ownId = device->instanceId;
  std::vector<Instance> instances;
  LONG status = RegistryInstances(&instances);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  for (const Instance& instance : instances) {
    if (!instance.hasClass || !SameGuid(instance.classGuid, classGuid) || SameText(instance.id, ownId)) {
      continue;
    }
    Device* existing = nullptr;
    for (const auto& candidate : set->devices) {
      if (!candidate->removed && SameText(candidate->instanceId, instance.id)) existing = candidate.get();
    }
    bool added = existing == nullptr;
    if (added) {
      existing = AddDevice(set, instance.id, instance.classGuid, instance.description);
      existing->registered = true;
    }
    SP_DEVINFO_DATA existingRecord = {sizeof existingRecord, {}, 0, 0};
    FillRecord(*existing, &existingRecord);
    ULONG_PTR existingToken = existing->token;
    DWORD result = compare(handle, record, &existingRecord, context);
    // The callback may have changed the set; find everything again.
    set = FindSet(handle);
    if (set == nullptr) return ERROR_INVALID_HANDLE;
    existing = nullptr;
    for (const auto& candidate : set->devices) {
      if (candidate->token == existingToken) existing = candidate.get();
    }
    bool keep = false;
    if (result == ERROR_DUPLICATE_FOUND && duplicate != nullptr && existing != nullptr) {
      if (duplicate->cbSize != sizeof(SP_DEVINFO_DATA)) {
        result = ERROR_INVALID_USER_BUFFER;
      } else {
        FillRecord(*existing, duplicate);
        keep = true;
      }
    }
    if (added && !keep && existing != nullptr) DropDevice(set, existing);
    if (result != NO_ERROR) return result;
  }
  return ERROR_SUCCESS;
}

}  // namespace

DWORD RegisterDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD flags, PSP_DETSIG_CMPPROC compare,
                     PVOID context, PSP_DEVINFO_DATA duplicate) {
  DeviceInfoSet* set = FindSet(setHandle);
  if (set == nullptr) return ERROR_INVALID_HANDLE;
  Device* device = nullptr;
  DWORD error = FindDevice(set, record, &device);
  if (error != ERROR_SUCCESS) return error;
  if ((flags & ~SPRDI_FIND_DUPS) != 0) return ERROR_INVALID_FLAGS;
  if (device->removed) return ERROR_NO_SUCH_DEVINST;
  if (device->registered) return ERROR_SUCCESS;
  if ((flags & SPRDI_FIND_DUPS) != 0 && compare != nullptr && !StartsWithText(device->instanceId, u"ROOT\\")) {
    error = FindDuplicate(setHandle, record, compare, context, duplicate);
    if (error != ERROR_SUCCESS) return error;
    set = FindSet(setHandle);
    if (set == nullptr) return ERROR_INVALID_HANDLE;
    error = FindDevice(set, record, &device);
    if (error != ERROR_SUCCESS) return error;
  }
  error = WriteInstanceKey(*device);
  if (error != ERROR_SUCCESS) return error;
  device->registered = true;
  return ERROR_SUCCESS;
}

DWORD RemoveDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record) {
  Device* device = nullptr;
  DWORD error = FindPresentDevice(setHandle, record, &device);
  if (error != ERROR_SUCCESS) return error;
  if (device->registered) {
    std::u16string instancePath = InstanceKeyPath(device->instanceId);
    std::u16string driver;
    {
      RegKey instanceKey;
      LONG status = OpenKey(HKEY_LOCAL_MACHINE, instancePath, KEY_READ, &instanceKey);
      if (status == ERROR_SUCCESS) {
        ReadString(instanceKey.get(), u"Driver", &driver);
      } else if (status != ERROR_FILE_NOT_FOUND) {
        return static_cast<DWORD>(status);
      }
    }
    if (IsDriverValue(driver)) {
      LONG status = DeleteTree(HKEY_LOCAL_MACHINE, DriverKeyPath(driver));
      if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    }
    LONG status = DeleteTree(HKEY_LOCAL_MACHINE, instancePath);
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    DeleteEmptyKeys(HKEY_LOCAL_MACHINE, ParentPath(instancePath), kEnumPath);
  }
  device->removed = true;
  device->registered = false;
  device->devInst = 0;
  record->DevInst = 0;
  return ERROR_SUCCESS;
}

}  // namespace setupapi
}  // namespace winsim

using namespace winsim::setupapi;

// Writes the element's instance key. SPRDI_FIND_DUPS with a comparison callback looks for
// duplicates among the registered devices of the class, but, as on Windows, only for devices
// that are not root-enumerated: a ROOT\ device with a generated id is never a duplicate.
// Without a callback there is no detect signature to compare, so nothing is a duplicate.
extern "C" BOOL WINAPI SetupDiRegisterDeviceInfo(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD flags,
                                                 PSP_DETSIG_CMPPROC compare, PVOID context,
                                                 PSP_DEVINFO_DATA duplicate) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiRegisterDeviceInfo", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  error = RegisterDevice(setHandle, record, flags, compare, context, duplicate);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

// The devices in the registry whose ClassGUID is the class (any class with DIGCF_ALLCLASSES)
// and whose instance id starts with `enumerator` and a backslash, compared without regard to
// case ("ROOT" or "ROOT\VMODEMS"); NULL for every enumerator. In instance id order. Every
// device in the registry is present: root-enumerated devices need no hardware.
extern "C" HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND /*parent*/,
                                               DWORD flags) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiGetClassDevsW", &error)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  const DWORD known = DIGCF_DEFAULT | DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE | DIGCF_DEVICEINTERFACE;
  if ((flags & ~known) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return INVALID_HANDLE_VALUE;
  }
  // Device interfaces are not part of the simulation.
  if ((flags & DIGCF_DEVICEINTERFACE) != 0) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return INVALID_HANDLE_VALUE;
  }
  bool allClasses = (flags & DIGCF_ALLCLASSES) != 0;
  if (!allClasses && classGuid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  SetupGuard guard(SetupLock());
  std::vector<Instance> instances;
  LONG status = RegistryInstances(&instances);
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    return INVALID_HANDLE_VALUE;
  }
  std::u16string prefix;
  if (enumerator != nullptr && *enumerator != 0) {
    prefix = reinterpret_cast<const char16_t*>(enumerator);
    prefix += u'\\';
  }
  auto set = std::make_unique<DeviceInfoSet>();
  if (!allClasses) {
    set->hasClass = true;
    set->classGuid = *classGuid;
  }
  for (const Instance& instance : instances) {
    if (!allClasses && (!instance.hasClass || !SameGuid(instance.classGuid, *classGuid))) continue;
    if (!StartsWithText(instance.id, prefix)) continue;
    GUID deviceClass = instance.hasClass ? instance.classGuid : GUID{};
    AddDevice(set.get(), instance.id, deviceClass, instance.description)->registered = true;
  }
  return AddSet(std::move(set));
}

// Deletes the instance key and the driver key, each with everything below it, and then the
// device id and enumerator keys left empty. The element stays in the set, no longer present:
// its DevInst becomes 0 and calls that need the device report ERROR_NO_SUCH_DEVINST. Keys
// elsewhere that the device's installation shared (the modem responses) are not touched.
extern "C" BOOL WINAPI SetupDiRemoveDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiRemoveDevice", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  error = RemoveDevice(setHandle, record);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}
