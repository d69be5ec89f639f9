// Device information sets, their device information elements and driver nodes: the state behind
// HDEVINFO handles, shared by the device installer's source files.
//
// Everything runs under SetupLock(). It is recursive because a caller's duplicate-comparison
// callback may call back into the device installer.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <setupapi.h>

namespace winsim {
namespace setupapi {

// One model line of one INF file: an entry of a class driver list.
struct DriverNode {
  ULONG_PTR token = 0;  // the SP_DRVINFO_DATA Reserved value that names this node
  DWORD driverType = SPDIT_CLASSDRIVER;
  std::u16string description;    // the model's text, at most LINE_LEN - 1 characters
  std::u16string manufacturer;   // the manufacturer's text, likewise
  std::u16string provider;       // [Version] Provider, likewise
  std::string infFile;           // the file's name in the INF folder, as the host spells it
  std::u16string installSection; // as the model line names it
  std::u16string hardwareId;     // the model line's first hardware id; may be empty
};

struct DriverList {
  bool built = false;
  std::vector<DriverNode> nodes;
  int selected = -1;  // index into nodes, -1 for none

  const DriverNode* Selected() const { return selected >= 0 ? &nodes[selected] : nullptr; }
};

struct Device {
  ULONG_PTR token = 0;  // the SP_DEVINFO_DATA Reserved value that names this element
  DWORD devInst = 0;
  std::u16string instanceId;  // upper case, "ROOT\VMODEMS\0000"
  GUID classGuid{};
  std::u16string description;
  bool registered = false;  // its instance key is in the registry
  bool removed = false;     // SetupDiRemoveDevice took it out of the registry
  DriverList classDrivers;
};

struct DeviceInfoSet {
  bool hasClass = false;
  GUID classGuid{};
  std::vector<std::unique_ptr<Device>> devices;  // in the order they joined the set
  DriverList classDrivers;
};

std::recursive_mutex& SetupLock();
using SetupGuard = std::lock_guard<std::recursive_mutex>;

// A new set, counted as an open DeviceInfoSet; the handle is never reused.
HDEVINFO AddSet(std::unique_ptr<DeviceInfoSet> set);
// The set behind a handle, or null for a handle that is not (or no longer) a set.
DeviceInfoSet* FindSet(HDEVINFO handle);
bool RemoveSet(HDEVINFO handle);
// Every open set, for numbers reserved by elements not yet in the registry.
std::vector<DeviceInfoSet*> AllSets();

// The element a caller's record names. ERROR_INVALID_PARAMETER for a missing record, a wrong
// cbSize or a record of no element of this set.
DWORD FindDevice(DeviceInfoSet* set, const SP_DEVINFO_DATA* record, Device** device);
// The element a record names in the set behind `handle`, still present in the system:
// ERROR_INVALID_HANDLE, FindDevice's error, or ERROR_NO_SUCH_DEVINST once it was removed.
DWORD FindPresentDevice(HDEVINFO handle, const SP_DEVINFO_DATA* record, Device** device);
// A new element at the end of the set, with fresh token and DevInst.
Device* AddDevice(DeviceInfoSet* set, const std::u16string& instanceId, const GUID& classGuid,
                  const std::u16string& description);
void DropDevice(DeviceInfoSet* set, const Device* device);
void FillRecord(const Device& device, SP_DEVINFO_DATA* record);

ULONG_PTR NewDriverToken();

// A device instance in the registry (a key three levels below Enum).
struct Instance {
  std::u16string id;  // as the registry spells it
  bool hasClass = false;
  GUID classGuid{};
  std::u16string description;  // DeviceDesc
};
// Every instance under Enum, in upper-case instance id order.
LONG RegistryInstances(std::vector<Instance>* instances);

// The name of a class ("Modem"): the Class value of its class key, or else the name Windows
// gives the classes this system deals with. Empty when unknown.
std::u16string ClassName(const GUID& classGuid);

// The work of SetupDiRegisterDeviceInfo and SetupDiRemoveDevice, also done for
// DIF_REGISTERDEVICE and DIF_REMOVE; they return the error to report.
DWORD RegisterDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD flags, PSP_DETSIG_CMPPROC compare,
                     PVOID context, PSP_DEVINFO_DATA duplicate);
DWORD RemoveDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record);

extern const GUID kModemClass;  // {4D36E96D-E325-11CE-BFC1-08002BE10318}

// Fails a BOOL entry point: sets the last error and returns FALSE.
BOOL Fail(DWORD error);

}  // namespace setupapi
}  // namespace winsim
