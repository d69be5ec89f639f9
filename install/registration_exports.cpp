// Registration helpers for a Windows NT 4.0 installation: the first free OEM setup file name
// and network card number, whether the product is installed, and the driver as an event source.
#include <stdlib.h>
#include <string.h>

#include "customization.h"
#include "exports.h"
#include "open_key_path.h"

namespace {

constexpr int kLastOemNumber = 9999;  // oemnad0.inf to oemnad9999.inf
constexpr int kLastCardNumber = 999;  // numbers are written with at most 3 digits

const char kNetworkCardsPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
const char kEventLogPath[] = "CurrentControlSet\\Services\\EventLog\\System";

bool FileOpensForReading(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// True when `name` is the whole or a part of one of the entries of the REG_MULTI_SZ data
// `list` (`size` bytes). Entries end at their NUL; the list ends at an empty entry or at the
// end of the data, so data not closed by two NULs is never read past.
bool ListedInSources(const char* list, size_t size, const char* name) {
  size_t nameLength = strlen(name);
  for (size_t start = 0; start < size && list[start] != '\0';) {
    size_t end = start;
    while (end < size && list[end] != '\0') ++end;
    for (size_t at = start; at + nameLength <= end; ++at) {
      if (memcmp(list + at, name, nameLength) == 0) return true;
    }
    start = end + 1;
  }
  return false;
}

// Rewrites `list` (`size` bytes, room for nameLength + 3 more) as its entries, each closed by a
// NUL, then `name` and its NUL, then the closing NUL. Returns the new size in bytes.
size_t AppendToSources(char* list, size_t size, const char* name) {
  size_t used = 0;
  while (used < size && list[used] != '\0') {
    while (used < size && list[used] != '\0') ++used;
    list[used++] = '\0';  // the entry's own NUL, placed when the data lacked it
  }
  size_t nameLength = strlen(name);
  memcpy(list + used, name, nameLength + 1);
  used += nameLength + 1;
  list[used++] = '\0';
  return used;
}

}  // namespace

// OEMTARGET: the first name oemnadN.inf, N from 0, that cannot be opened for reading in the
// system folder SYS32. Past oemnad9999.inf nothing is stored and the result is 0.
INSTALL_EXPORT int WINAPI GetOEMName(HostCallParams* params) {
  char folder[kScriptValueSize];
  GetScriptVar(params, "SYS32", folder);
  char path[kScriptValueSize + 16];  // folder, "\oemnad", 4 digits, ".inf" and the NUL
  char name[16];
  for (int number = 0; number <= kLastOemNumber; ++number) {
    wsprintfA(name, "oemnad%d.inf", number);
    wsprintfA(path, "%s\\%s", folder, name);
    if (!FileOpensForReading(path)) return SetScriptVar(params, "OEMTARGET", name);
  }
  return 0;
}

// NETNUMBER: the first number N, from 1, with no network card subkey N. Returns 0 and writes
// nothing when the network cards key cannot be opened for reading and writing, or when every
// number up to 999 is in use.
INSTALL_EXPORT int WINAPI GetNetNumber(HostCallParams* params) {
  HKEY cards = nullptr;
  if (OpenKeyPath(HKEY_LOCAL_MACHINE, kNetworkCardsPath, 0, KEY_READ | KEY_WRITE, &cards) !=
      ERROR_SUCCESS) {
    return 0;
  }
  char number[8];
  int freeNumber = 0;
  for (int candidate = 1; candidate <= kLastCardNumber && freeNumber == 0; ++candidate) {
    wsprintfA(number, "%i", candidate);
    HKEY card = nullptr;
    if (RegOpenKeyExA(cards, number, 0, KEY_READ, &card) == ERROR_SUCCESS) {
      RegCloseKey(card);
    } else {
      freeNumber = candidate;
    }
  }
  RegCloseKey(cards);
  if (freeNumber == 0) return 0;
  SetScriptVar(params, "NETNUMBER", number);
  return 1;
}

// ISINSTALLED: "TRUE" when HKEY_LOCAL_MACHINE\SOFTWARE\<short manufacturer>\<driver image>
// opens for reading, else "FALSE". Always returns 0.
INSTALL_EXPORT int WINAPI IsLumdexInstalled(HostCallParams* params) {
  char manufacturer[260];
  char driver[260];
  TrimCopy(manufacturer, sizeof manufacturer, CustomValue(CustomRecord::ShortManufacturerLabel));
  TrimCopy(driver, sizeof driver, CustomValue(CustomRecord::Driver2ImageName));
  char path[9 + 260 + 1 + 260];
  wsprintfA(path, "SOFTWARE\\%s\\%s", manufacturer, driver);

  HKEY product = nullptr;
  if (OpenKeyPath(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &product) == ERROR_SUCCESS) {
    SetScriptVar(params, "ISINSTALLED", "TRUE");
    RegCloseKey(product);
  } else {
    SetScriptVar(params, "ISINSTALLED", "FALSE");
  }
  return 0;
}

// Adds DRIVERNAMEA to the System event log's "Sources" list unless it is part of an entry
// already. Returns 1 when the name is listed afterwards, 0 on any registry failure (nothing is
// written then).
INSTALL_EXPORT int WINAPI SetupMessages(HostCallParams* params) {
  char name[kScriptValueSize];
  GetScriptVar(params, "DRIVERNAMEA", name);

  HKEY system = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &system) != ERROR_SUCCESS) return 0;
  HKEY eventLog = nullptr;
  LONG status = OpenKeyPath(system, kEventLogPath, 0, KEY_ALL_ACCESS, &eventLog);
  RegCloseKey(system);
  if (status != ERROR_SUCCESS) return 0;

  int listed = 0;
  DWORD size = 0;
  char* list = nullptr;
  if (RegQueryValueExA(eventLog, "Sources", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    size_t nameLength = strlen(name);
    // Room for the name, its NUL, the closing NUL, and a NUL the stored data may lack.
    list = static_cast<char*>(malloc(size + nameLength + 3));
  }
  DWORD read = size;
  if (list != nullptr &&
      RegQueryValueExA(eventLog, "Sources", nullptr, nullptr, reinterpret_cast<BYTE*>(list), &read) ==
          ERROR_SUCCESS) {
    if (ListedInSources(list, read, name)) {
      listed = 1;
    } else {
      DWORD newSize = static_cast<DWORD>(AppendToSources(list, read, name));
      listed = RegSetValueExA(eventLog, "Sources", 0, REG_MULTI_SZ,
                              reinterpret_cast<const BYTE*>(list), newSize) == ERROR_SUCCESS;
    }
  }
  free(list);
  RegCloseKey(eventLog);
  return listed;
}
