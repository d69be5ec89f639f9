// The class driver list: built from the INF files of the simulated system's INF folder
// (C:\WINNT\inf), enumerated, and a driver selected from it.
//
// An INF file contributes when its [Version] Signature is one Windows accepts and its ClassGUID
// (or, lacking one, its Class name) is the list's class. Each [Manufacturer] line names a
// manufacturer and its models section ("%Mfg% = Models", or a bare name that is both); each
// model line there ("%Model% = InstallSection, HardwareId") is one entry: Description the
// model's text, MfgName the manufacturer's, ProviderName [Version] Provider. Entries are in
// the order of the files' names, compared without regard to case, then of the lines.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "setupapi_inf.h"
#include "setupapi_sets.h"
#include "setupapi_text.h"
#include "winsim.h"

namespace winsim {

std::string InfFolder() {
  std::string folder = HostPath("C:\\WINNT\\inf");
  if (!folder.empty()) return folder;
  std::string windows = HostPath("C:\\WINNT");
  if (windows.empty()) {
    windows = SystemRoot() + "/c/WINNT";
    mkdir((SystemRoot() + "/c").c_str(), 0755);
    mkdir(windows.c_str(), 0755);
  }
  folder = windows + "/inf";
  mkdir(folder.c_str(), 0755);
  return folder;
}

namespace setupapi {
namespace {

bool HasInfExtension(const std::string& name) {
  return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".inf") == 0;
}

std::vector<std::string> InfFileNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    struct stat info;
    if (HasInfExtension(name) && stat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      names.push_back(name);
    }
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int order = strcasecmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
  });
  return names;
}

bool AcceptedSignature(const std::u16string& signature) {
  return SameText(signature, u"$Windows NT$") || SameText(signature, u"$Chicago$") ||
         SameText(signature, u"$Windows 95$");
}

bool OfClass(const inf::File& file, const GUID& classGuid) {
  std::u16string guidText = file.Value(u"Version", u"ClassGUID");
  if (!guidText.empty()) {
    GUID guid;
    return ParseGuid(guidText, &guid) && SameGuid(guid, classGuid);
  }
  std::u16string name = ClassName(classGuid);
  return !name.empty() && SameText(file.Value(u"Version", u"Class"), name);
}

std::u16string LineText(const std::u16string& text) { return text.substr(0, LINE_LEN - 1); }

// The entries of one file, appended to `nodes`.
void AddEntries(const inf::File& file, const std::string& fileName, std::vector<DriverNode>* nodes) {
  const inf::Section* manufacturers = file.Find(u"Manufacturer");
  if (manufacturers == nullptr) return;
  std::u16string provider = LineText(file.Value(u"Version", u"Provider"));
  for (const inf::Line& manufacturer : manufacturers->lines) {
    if (manufacturer.fields.empty()) continue;
    std::u16string name = manufacturer.hasKey ? manufacturer.key : manufacturer.fields[0];
    // Decorations after the section name (", NTx86") are for later Windows versions.
    const inf::Section* models = file.Find(manufacturer.fields[0]);
    if (name.empty() || models == nullptr) continue;
    for (const inf::Line& model : models->lines) {
      if (!model.hasKey || model.key.empty() || model.fields.empty() || model.fields[0].empty()) continue;
      DriverNode node;
      node.token = NewDriverToken();
      node.description = LineText(model.key);
      node.manufacturer = LineText(name);
      node.provider = provider;
      node.infFile = fileName;
      node.installSection = model.fields[0];
      node.hardwareId = model.fields.size() > 1 ? model.fields[1] : u"";
      nodes->push_back(node);
    }
  }
}

// Every INF file of the class; any class when `classGuid` is null.
void BuildList(const GUID* classGuid, DriverList* list) {
  std::string folder = InfFolder();
  list->nodes.clear();
  list->selected = -1;
  for (const std::string& name : InfFileNames(folder)) {
    inf::File file;
    // A file that is no INF, or one Windows would refuse, adds nothing.
    if (inf::LoadFile(folder + "/" + name, &file) != ERROR_SUCCESS) continue;
    if (!AcceptedSignature(file.Value(u"Version", u"Signature"))) continue;
    if (classGuid != nullptr && !OfClass(file, *classGuid)) continue;
    AddEntries(file, name, &list->nodes);
  }
  list->built = true;
}

// The list a call names: the device's own, or the set's when `record` is null.
DWORD FindList(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DeviceInfoSet** set, Device** device,
               DriverList** list) {
  *set = FindSet(setHandle);
  if (*set == nullptr) return ERROR_INVALID_HANDLE;
  *device = nullptr;
  if (record == nullptr) {
    *list = &(*set)->classDrivers;
    return ERROR_SUCCESS;
  }
  DWORD error = FindDevice(*set, record, device);
  if (error != ERROR_SUCCESS) return error;
  if ((*device)->removed) return ERROR_NO_SUCH_DEVINST;
  *list = &(*device)->classDrivers;
  return ERROR_SUCCESS;
}

// A text field of a caller's record, which need not be terminated.
std::u16string RecordText(const WCHAR* text) {
  size_t length = 0;
  while (length < LINE_LEN && text[length] != 0) ++length;
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace
}  // namespace setupapi
}  // namespace winsim

using namespace winsim::setupapi;

// Builds the class driver list of the set (record NULL) or of one element, once: a list
// already built stays as it is. Compatible-driver lists are not simulated: a root device
// created here has no hardware ids to match.
extern "C" BOOL WINAPI SetupDiBuildDriverInfoList(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD driverType) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiBuildDriverInfoList", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  DeviceInfoSet* set = nullptr;
  Device* device = nullptr;
  DriverList* list = nullptr;
  error = FindList(setHandle, record, &set, &device, &list);
  if (error != ERROR_SUCCESS) return Fail(error);
  if (driverType == SPDIT_COMPATDRIVER) {
    return Fail(record == nullptr ? ERROR_INVALID_PARAMETER : ERROR_CALL_NOT_IMPLEMENTED);
  }
  if (driverType != SPDIT_CLASSDRIVER) return Fail(ERROR_INVALID_PARAMETER);
  if (list->built) return TRUE;
  const GUID* classGuid = nullptr;
  if (device != nullptr) {
    if (!SameGuid(device->classGuid, GUID{})) classGuid = &device->classGuid;
  } else if (set->hasClass) {
    classGuid = &set->classGuid;
  }
  BuildList(classGuid, list);
  return TRUE;
}

// driver->cbSize must be sizeof(SP_DRVINFO_DATA_V1_W). Texts longer than their fields were cut
// to LINE_LEN - 1 characters when the list was built.
extern "C" BOOL WINAPI SetupDiEnumDriverInfoW(HDEVINFO setHandle, PSP_DEVINFO_DATA record, DWORD driverType,
                                              DWORD index, PSP_DRVINFO_DATA_W driver) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiEnumDriverInfoW", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  DeviceInfoSet* set = nullptr;
  Device* device = nullptr;
  DriverList* list = nullptr;
  error = FindList(setHandle, record, &set, &device, &list);
  if (error != ERROR_SUCCESS) return Fail(error);
  if (driverType != SPDIT_CLASSDRIVER && driverType != SPDIT_COMPATDRIVER) return Fail(ERROR_INVALID_PARAMETER);
  if (driver == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (driver->cbSize != sizeof(SP_DRVINFO_DATA_V1_W)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (driverType != SPDIT_CLASSDRIVER || !list->built || index >= list->nodes.size()) {
    return Fail(ERROR_NO_MORE_ITEMS);
  }
  const DriverNode& node = list->nodes[index];
  driver->DriverType = node.driverType;
  driver->Reserved = node.token;
  CopyBounded(node.description, driver->Description, LINE_LEN);
  CopyBounded(node.manufacturer, driver->MfgName, LINE_LEN);
  CopyBounded(node.provider, driver->ProviderName, LINE_LEN);
  return TRUE;
}

// Selects the entry a record names: by its Reserved value when that is set (as
// SetupDiEnumDriverInfoW leaves it), else the first entry whose DriverType, Description,
// MfgName and ProviderName match, the texts compared without regard to case; Reserved is then
// set to the entry found. No such entry: ERROR_INVALID_PARAMETER. A NULL record clears the
// selection.
extern "C" BOOL WINAPI SetupDiSetSelectedDriverW(HDEVINFO setHandle, PSP_DEVINFO_DATA record,
                                                 PSP_DRVINFO_DATA_W driver) {
  DWORD error;
  if (winsim::ShouldFail("SetupDiSetSelectedDriverW", &error)) return Fail(error);
  SetupGuard guard(SetupLock());
  DeviceInfoSet* set = nullptr;
  Device* device = nullptr;
  DriverList* list = nullptr;
  error = FindList(setHandle, record, &set, &device, &list);
  if (error != ERROR_SUCCESS) return Fail(error);
  if (driver == nullptr) {
    list->selected = -1;
    return TRUE;
  }
  if (driver->cbSize != sizeof(SP_DRVINFO_DATA_V1_W)) return Fail(ERROR_INVALID_USER_BUFFER);
  for (size_t i = 0; i < list->nodes.size(); ++i) {
    const DriverNode& node = list->nodes[i];
    bool match = driver->Reserved != 0
                     ? driver->Reserved == node.token
                     : driver->DriverType == node.driverType &&
                           SameText(RecordText(driver->Description), node.description) &&
                           SameText(RecordText(driver->MfgName), node.manufacturer) &&
                           SameText(RecordText(driver->ProviderName), node.provider);
    if (match) {
      list->selected = static_cast<int>(i);
      driver->Reserved = node.token;
      return TRUE;
    }
  }
  return Fail(ERROR_INVALID_PARAMETER);
}
