// SetupDiCallClassInstaller: the installation requests the simulation carries out.
//
// DIF_INSTALLDEVICE installs the element's selected driver, for every class:
// - the driver key (setupapi_dev_keys.cpp) with DriverDesc, ProviderName, InfPath (the INF's
//   file name in the INF folder), InfSection, InfSectionExt (".NTx86" or ".NT" when the
//   decorated install section was used) and MatchingDeviceId (the model's hardware id, in lower
//   case, as Windows writes it);
// - the install section's AddReg sections, HKR naming the driver key;
// - the instance's DeviceDesc and Mfg from the driver.
// The install section is looked up as Windows 2000 on x86 does: Section.NTx86, Section.NT,
// then Section. For the modem class the modem class installer's part follows
// (setupapi_modem.cpp). A failure deletes again what the call created.
#include <setupapi.h>

#include "setupapi_inf.h"
#include "setupapi_install.h"
#include "setupapi_text.h"
#include "winsim.h"

namespace winsim {
namespace setupapi {
namespace {

struct InstallSection {
  std::u16string name;       // as the model line names it
  std::u16string extension;  // the decoration of the section found, or empty
  const inf::Section* section = nullptr;
};

DWORD FindInstallSection(const inf::File& file, const std::u16string& name, InstallSection* found) {
  for (const char16_t* extension : {u".NTx86", u".NT", u""}) {
    const inf::Section* section = file.Find(name + extension);
    if (section != nullptr) {
      *found = InstallSection{name, extension, section};
      return ERROR_SUCCESS;
    }
  }
  return ERROR_SECTION_NOT_FOUND;
}

// Every line of every add-registry section the install section names, checked before any of
// it is carried out.
DWORD ReadAddRegEntries(const inf::File& file, const inf::Section& install, std::vector<AddRegEntry>* entries) {
  for (const inf::Line& line : install.lines) {
    if (!line.hasKey || !SameText(line.key, u"AddReg")) continue;
    for (const std::u16string& name : line.fields) {
      if (name.empty()) continue;
      DWORD error = ReadAddRegSection(file, name, entries);
      if (error != ERROR_SUCCESS) return error;
    }
  }
  return ERROR_SUCCESS;
}

DWORD WriteDriverValues(HKEY driverKey, const DriverNode& driver, const InstallSection& section) {
  const struct {
    const char16_t* name;
    std::u16string value;
    bool optional;  // not written when empty
  } values[] = {
      {u"DriverDesc", driver.description, false},
      {u"ProviderName", driver.provider, false},
      {u"InfPath", Widen(driver.infFile.c_str()), false},
      {u"InfSection", section.name, false},
      {u"InfSectionExt", section.extension, true},
      {u"MatchingDeviceId", Lower(driver.hardwareId), true},
  };
  for (const auto& value : values) {
    if (value.optional && value.value.empty()) continue;
    LONG status = WriteString(driverKey, value.name, value.value);
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  }
  return ERROR_SUCCESS;
}

DWORD Install(const Device& device, const DriverNode& driver, InstallUndo* undo) {
  inf::File file;
  DWORD error = inf::LoadFile(InfFolder() + "/" + driver.infFile, &file);
  if (error != ERROR_SUCCESS) return error;
  InstallSection section;
  error = FindInstallSection(file, driver.installSection, &section);
  if (error != ERROR_SUCCESS) return error;
  std::vector<AddRegEntry> entries;
  error = ReadAddRegEntries(file, *section.section, &entries);
  if (error != ERROR_SUCCESS) return error;

  RegKey driverKey;
  error = OpenOrCreateDriverKey(device, &driverKey, undo);
  if (error != ERROR_SUCCESS) return error;
  error = WriteDriverValues(driverKey.get(), driver, section);
  if (error != ERROR_SUCCESS) return error;
  for (const AddRegEntry& entry : entries) {
    LONG status = ApplyAddReg(entry, driverKey.get());
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  }

  RegKey instanceKey;
  LONG status = OpenKey(HKEY_LOCAL_MACHINE, InstanceKeyPath(device.instanceId), KEY_ALL_ACCESS, &instanceKey);
  if (status == ERROR_SUCCESS) status = WriteString(instanceKey.get(), u"DeviceDesc", driver.description);
  if (status == ERROR_SUCCESS) status = WriteString(instanceKey.get(), u"Mfg", driver.manufacturer);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);

  if (SameGuid(device.classGuid, kModemClass)) {
    return InstallModem(device, driver, driverKey.get(), instanceKey.get(), entries, undo);
  }
  return ERROR_SUCCESS;
}

DWORD InstallDevice(HDEVINFO setHandle, PSP_DEVINFO_DATA record) {
  Device* device = nullptr;
  DWORD error = FindPresentDevice(setHandle, record, &device);
  if (error != ERROR_SUCCESS) return error;
  const DriverNode* driver = device->classDrivers.Selected();
  if (driver == nullptr) return ERROR_NO_DRIVER_SELECTED;
  if (!device->registered) return ERROR_DEVINFO_NOT_REGISTERED;
  InstallUndo undo;
  error = Install(*device, *driver, &undo);
  if (error != ERROR_SUCCESS) undo.Run();
  return error;
}

}  // namespace
}  // namespace setupapi
}  // namespace winsim

using namespace winsim::setupapi;

// DIF_INSTALLDEVICE as above; DIF_REGISTERDEVICE and DIF_REMOVE do what
// SetupDiRegisterDeviceInfo and SetupDiRemoveDevice do. Any other request has no installer
// here: FALSE with ERROR_DI_DO_DEFAULT.
extern "C" BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO setHandle, PSP_DEVINFO_DATA record) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiCallClassInstaller", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  if (FindSet(setHandle) == nullptr) return Fail(ERROR_INVALID_HANDLE);
  switch (function) {
    case DIF_INSTALLDEVICE:
      error = InstallDevice(setHandle, record);
      break;
    case DIF_REGISTERDEVICE:
      error = RegisterDevice(setHandle, record, 0, nullptr, nullptr, nullptr);
      break;
    case DIF_REMOVE:
      error = RemoveDevice(setHandle, record);
      break;
    default:
      error = ERROR_DI_DO_DEFAULT;
      break;
  }
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}
