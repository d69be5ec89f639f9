// InstallModems: the board's ports as Windows 2000 modems. The driver is chosen once on an
// empty modem class set; every device created with DICD_INHERIT_CLASSDRVS takes it over, and
// the modem class installer installs it on each.
#include "modem_install.h"

#include <string.h>

#include "customization.h"
#include "exports.h"
#include "number_text.h"
#include "wide_text.h"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SP_DEVINFO_DATA) == 28, "SP_DEVINFO_DATA layout");
static_assert(sizeof(SP_DRVINFO_DATA_V1_W) == 1548, "SP_DRVINFO_DATA_V1_W layout");
#endif

namespace {

// GUID_DEVCLASS_MODEM.
const GUID kModemClass = {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

constexpr size_t kPortTextMax = 7;  // characters of a PORTn value that are read
constexpr size_t kComNameSize = 8;  // "COM9999" and its terminator, in characters

// True when the two texts are equal, compared as 16-bit characters up to `size` of them: the
// driver record's fields are not promised a terminator.
bool SameText(const WCHAR* a, const WCHAR* b, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (a[i] != b[i]) return false;
    if (a[i] == 0) return true;
  }
  return true;
}

// "COM<number>" into `name` (kComNameSize characters). A number outside 0 to kLastModemPort
// never comes from ReadPortNumbers; from another caller it is cut to fit.
void FormatComName(int number, WCHAR* name) {
  char text[16];  // "COM" and any int
  wsprintfA(text, "COM%i", number);
  memset(name, 0, kComNameSize * sizeof(WCHAR));
  for (size_t i = 0; i + 1 < kComNameSize && text[i] != '\0'; ++i) name[i] = static_cast<unsigned char>(text[i]);
}

SP_DEVINFO_DATA EmptyDeviceRecord() {
  SP_DEVINFO_DATA device;
  memset(&device, 0, sizeof device);
  device.cbSize = sizeof device;
  return device;
}

}  // namespace

bool ReadPortNumbers(const HostCallParams* params, int* ports, DWORD count) {
  if (count > kMaxModemPorts) count = kMaxModemPorts;
  bool allRead = true;
  for (DWORD k = 0; k < count; ++k) {
    char name[16];
    wsprintfA(name, "PORT%i", static_cast<int>(k + 1));
    char value[kScriptValueSize];
    GetScriptVar(params, name, value);
    // A value is at most 7 characters, so "%i" sees at most 7 digits and cannot overflow. A
    // longer one is refused rather than cut: "COM10000" must not become COM1000.
    int number = -1;
    if (strlen(value) <= kPortTextMax) {
      const char* digit = strpbrk(value, "0123456789");
      if (digit == nullptr || !ScanInteger(digit, &number)) number = -1;
    }
    if (number < 0 || number > kLastModemPort) {
      number = -1;
      allRead = false;
    }
    ports[k] = number;
  }
  return allRead;
}

void WidenText(const char* source, WCHAR* destination) {
  size_t length = 0;
  bool ascii = true;
  while (length + 1 < kModemTextSize && source[length] != '\0') {
    if (static_cast<unsigned char>(source[length]) > 0x7F) ascii = false;
    ++length;
  }
  if (ascii) {
    for (size_t i = 0; i < length; ++i) destination[i] = static_cast<unsigned char>(source[i]);
    destination[length] = 0;
    return;
  }
  // A code page never gives more characters than bytes, so kModemTextSize - 1 is room enough.
  int written = MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(length), destination,
                                    static_cast<int>(kModemTextSize - 1));
  destination[written > 0 ? written : 0] = 0;
}

DWORD SelectModemDriver(const SetupApi& api, HDEVINFO set, const WCHAR* manufacturer, const WCHAR* model) {
  SP_DRVINFO_DATA_V1_W driver;
  memset(&driver, 0, sizeof driver);
  driver.cbSize = sizeof driver;
  // Windows builds the class list from the modem INFs of its INF folder.
  if (!api.BuildDriverInfoList(set, nullptr, SPDIT_CLASSDRIVER)) return GetLastError();
  for (DWORD index = 0;; ++index) {
    if (!api.EnumDriverInfoW(set, nullptr, SPDIT_CLASSDRIVER, index, &driver)) return ERROR_FILE_NOT_FOUND;
    if (SameText(driver.MfgName, manufacturer, LINE_LEN) && SameText(driver.Description, model, LINE_LEN)) break;
  }
  if (!api.SetSelectedDriverW(set, nullptr, &driver)) return GetLastError();
  return ERROR_SUCCESS;
}

DWORD CreateModemDevices(const SetupApi& api, HDEVINFO set, const WCHAR* model, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    SP_DEVINFO_DATA device = EmptyDeviceRecord();
    device.ClassGuid = kModemClass;
    if (!api.CreateDeviceInfoW(set, WTEXT("VMODEMS"), &kModemClass, model, nullptr,
                                  DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS, &device) ||
        !api.RegisterDeviceInfo(set, &device, SPRDI_FIND_DUPS, nullptr, nullptr, nullptr)) {
      return GetLastError();
    }
  }
  return ERROR_SUCCESS;
}

DWORD InstallCreatedDevices(const SetupApi& api, HDEVINFO set) {
  SP_DEVINFO_DATA device = EmptyDeviceRecord();
  for (DWORD index = 0;; ++index) {
    if (!api.EnumDeviceInfo(set, index, &device)) {
      DWORD error = GetLastError();
      return error == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : error;
    }
    if (!api.CallClassInstaller(DIF_INSTALLDEVICE, set, &device)) return GetLastError();
  }
}

DWORD AttachModemPorts(const SetupApi& api, HDEVINFO set, const int* ports) {
  SP_DEVINFO_DATA device = EmptyDeviceRecord();
  // The set holds only the devices this call made, in creation order: device k is PORT(k+1).
  // The list has kMaxModemPorts entries, so no device past them is attached.
  for (DWORD k = 0; k < kMaxModemPorts; ++k) {
    if (!api.EnumDeviceInfo(set, k, &device)) {
      DWORD error = GetLastError();
      return error == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : error;
    }
    WCHAR name[kComNameSize];
    FormatComName(ports[k], name);
    HKEY key = api.OpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_ALL_ACCESS);
    if (key == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD bytes = static_cast<DWORD>((lstrlenW(name) + 1) * sizeof(WCHAR));
    LONG status = RegSetValueExW(key, WTEXT("AttachedTo"), 0, REG_SZ, reinterpret_cast<const BYTE*>(name), bytes);
    // Closed whether or not the write worked; the write's code comes first.
    LONG closed = RegCloseKey(key);
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    if (closed != ERROR_SUCCESS) return static_cast<DWORD>(closed);
  }
  return ERROR_SUCCESS;
}

DWORD InstallModemDevices(const int* ports, const WCHAR* model, const WCHAR* manufacturer, DWORD count) {
  if (count > kMaxModemPorts) count = kMaxModemPorts;
  SetupApi api;
  DWORD error = LoadSetupApi(&api);
  if (error != ERROR_SUCCESS) return error;
  HDEVINFO set = api.CreateDeviceInfoList(&kModemClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    FreeSetupApi(&api);
    return error;
  }
  error = SelectModemDriver(api, set, manufacturer, model);
  if (error == ERROR_SUCCESS) error = CreateModemDevices(api, set, model, count);
  if (error == ERROR_SUCCESS) {
    // A class installer failure still leaves the devices it did install to be attached.
    InstallCreatedDevices(api, set);
    error = AttachModemPorts(api, set, ports);
  }
  // Releases the driver list with the set; registered devices stay in the system.
  api.DestroyDeviceInfoList(set);
  FreeSetupApi(&api);
  return error;
}

// Makes the ports PORT1 to PORT<NUMPORTS> modems of the product's driver. The outcome is not
// reported to the host: the result is always 0.
INSTALL_EXPORT int WINAPI InstallModems(HostCallParams* params) {
  char text[kModemTextSize];
  WCHAR manufacturer[kModemTextSize];
  WCHAR model[kModemTextSize];
  TrimCopy(text, sizeof text, CustomValue(CustomRecord::LongManufacturerLabel));
  WidenText(text, manufacturer);
  TrimCopy(text, sizeof text, CustomValue(CustomRecord::ModemName));
  WidenText(text, model);

  char value[kScriptValueSize];
  GetScriptVar(params, "NUMPORTS", value);
  unsigned int count = 0;
  if (!ScanUnsigned(value, &count)) count = 0;
  if (count > kMaxModemPorts) count = kMaxModemPorts;

  int ports[kMaxModemPorts];
  // A port whose number cannot be read makes the board unusable: no device is made for any
  // of its ports. The driver is still looked up, as for a board without ports, so the same
  // sequence runs on every path.
  if (!ReadPortNumbers(params, ports, count)) count = 0;
  InstallModemDevices(ports, model, manufacturer, count);
  return 0;
}
