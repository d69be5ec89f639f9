// A device's registry keys: the driver (software) key named by the instance's Driver value,
// and the hardware key, the instance's "Device Parameters" subkey.
#include "setupapi_install.h"
#include "setupapi_text.h"
#include "winsim.h"

namespace winsim {
namespace setupapi {

void InstallUndo::Run() const {
  for (auto path = createdKeys.rbegin(); path != createdKeys.rend(); ++path) {
    DeleteTree(HKEY_LOCAL_MACHINE, *path);
  }
  if (!driverValueOf.empty()) {
    RegKey key;
    if (OpenKey(HKEY_LOCAL_MACHINE, driverValueOf, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key.get(), reinterpret_cast<LPCWSTR>(u"Driver"));
    }
  }
}

DWORD OpenOrCreateDriverKey(const Device& device, RegKey* key, InstallUndo* undo) {
  std::u16string instancePath = InstanceKeyPath(device.instanceId);
  RegKey instanceKey;
  LONG status = OpenKey(HKEY_LOCAL_MACHINE, instancePath, KEY_ALL_ACCESS, &instanceKey);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_NO_SUCH_DEVINST;
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  std::u16string driver;
  if (ReadString(instanceKey.get(), u"Driver", &driver) == ERROR_SUCCESS && IsDriverValue(driver)) {
    bool created = false;
    status = CreateKey(HKEY_LOCAL_MACHINE, DriverKeyPath(driver), key, &created);
    if (status == ERROR_SUCCESS && created && undo != nullptr) undo->createdKeys.push_back(DriverKeyPath(driver));
    return static_cast<DWORD>(status);
  }
  std::u16string classKey = JoinPath(kClassPath, GuidText(device.classGuid));
  int number = -1;
  status = LowestFreeNumber(HKEY_LOCAL_MACHINE, classKey, {}, &number);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  if (number < 0) return ERROR_NOT_ENOUGH_MEMORY;  // ten thousand devices of one class
  driver = GuidText(device.classGuid) + u"\\" + FourDigits(number);
  status = CreateKey(HKEY_LOCAL_MACHINE, DriverKeyPath(driver), key);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  status = WriteString(instanceKey.get(), u"Driver", driver);
  if (status != ERROR_SUCCESS) {
    key->Close();
    DeleteTree(HKEY_LOCAL_MACHINE, DriverKeyPath(driver));
    return static_cast<DWORD>(status);
  }
  if (undo != nullptr) {
    undo->createdKeys.push_back(DriverKeyPath(driver));
    undo->driverValueOf = instancePath;
  }
  return ERROR_SUCCESS;
}

namespace {

HKEY FailKey(DWORD error) {
  SetLastError(error);
  return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
}

// The registered, present device a record names, for the key functions.
DWORD FindKeyDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD scope, DWORD keyType, Device** device) {
  DeviceInfoSet* set = FindSet(setHandle);
  if (set == nullptr) return ERROR_INVALID_HANDLE;
  DWORD error = FindDevice(set, record, device);
  if (error != ERROR_SUCCESS) return error;
  // Hardware profiles are not simulated.
  if (scope != DICS_FLAG_GLOBAL || (keyType != DIREG_DEV && keyType != DIREG_DRV)) return ERROR_INVALID_FLAGS;
  if ((*device)->removed) return ERROR_NO_SUCH_DEVINST;
  return ERROR_SUCCESS;
}

}  // namespace
}  // namespace setupapi
}  // namespace winsim

using namespace winsim::setupapi;

// Opens the device's driver key (DIREG_DRV) or hardware key (DIREG_DEV) with `access`; the
// caller closes it with RegCloseKey. A device without that key: INVALID_HANDLE_VALUE and
// ERROR_KEY_DOES_NOT_EXIST.
extern "C" HKEY WINAPI SetupDiOpenDevRegKey(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD scope,
                                            DWORD /*hardwareProfile*/, DWORD keyType, REGSAM access) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiOpenDevRegKey", &error)) return FailKey(error);
  SetupGuard guard(SetupLock());
  Device* device = nullptr;
  error = FindKeyDevice(setHandle, record, scope, keyType, &device);
  if (error != ERROR_SUCCESS) return FailKey(error);
  if (!device->registered) return FailKey(ERROR_KEY_DOES_NOT_EXIST);
  std::u16string instancePath = InstanceKeyPath(device->instanceId);
  std::u16string path = JoinPath(instancePath, u"Device Parameters");
  if (keyType == DIREG_DRV) {
    RegKey instanceKey;
    std::u16string driver;
    LONG status = OpenKey(HKEY_LOCAL_MACHINE, instancePath, KEY_READ, &instanceKey);
    if (status == ERROR_SUCCESS) status = ReadString(instanceKey.get(), u"Driver", &driver);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && !IsDriverValue(driver))) {
      return FailKey(ERROR_KEY_DOES_NOT_EXIST);
    }
    if (status != ERROR_SUCCESS) return FailKey(static_cast<DWORD>(status));
    path = DriverKeyPath(driver);
  }
  RegKey key;
  LONG status = OpenKey(HKEY_LOCAL_MACHINE, path, access, &key);
  if (status == ERROR_FILE_NOT_FOUND) return FailKey(ERROR_KEY_DOES_NOT_EXIST);
  if (status != ERROR_SUCCESS) return FailKey(static_cast<DWORD>(status));
  return key.release();
}

// Creates (or opens) the device's driver key, as DIF_INSTALLDEVICE's first step does, or its
// hardware key, and returns it open with KEY_ALL_ACCESS. Running an INF section into the key
// is not simulated: `inf` and `installSection` must be NULL.
extern "C" HKEY WINAPI SetupDiCreateDevRegKeyW(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD scope,
                                               DWORD /*hardwareProfile*/, DWORD keyType, HINF inf,
                                               PCWSTR installSection) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiCreateDevRegKeyW", &error)) return FailKey(error);
  SetupGuard guard(SetupLock());
  Device* device = nullptr;
  error = FindKeyDevice(setHandle, record, scope, keyType, &device);
  if (error != ERROR_SUCCESS) return FailKey(error);
  if ((inf != nullptr && inf != INVALID_HANDLE_VALUE) || installSection != nullptr) {
    return FailKey(ERROR_INVALID_PARAMETER);
  }
  if (!device->registered) return FailKey(ERROR_DEVINFO_NOT_REGISTERED);
  RegKey key;
  if (keyType == DIREG_DRV) {
    error = OpenOrCreateDriverKey(*device, &key, nullptr);
  } else {
    error = static_cast<DWORD>(
        CreateKey(HKEY_LOCAL_MACHINE, JoinPath(InstanceKeyPath(device->instanceId), u"Device Parameters"), &key));
  }
  if (error != ERROR_SUCCESS) return FailKey(error);
  return key.release();
}
