// Identity exports: the product's names, labels, file names, version text and installation
// folder for the installation script, and the modem name, card name and registry key for the
// uninstaller. Every text is read from the customization block at the moment of use.
#include <string.h>

#include "customization.h"
#include "exports.h"

namespace {

// Working copies of customization values; any value fits (the widest field is 51 bytes).
constexpr size_t kLocalSize = 128;

void PublishRecord(HostCallParams* params, const char* variable, CustomRecord record) {
  char text[kLocalSize];
  TrimCopy(text, sizeof text, CustomValue(record));
  SetScriptVar(params, variable, text);
}

// The size contract shared by the three queries.
int AnswerQuery(const char* text, char* buffer, DWORD* size) {
  if (size == nullptr) return 0;
  DWORD capacity = buffer != nullptr ? *size : 0;
  DWORD needed = static_cast<DWORD>(strlen(text) + 1);
  *size = needed;
  if (capacity < needed) return 0;
  memcpy(buffer, text, needed);
  return 1;
}

int AnswerRecordQuery(CustomRecord record, char* buffer, DWORD* size) {
  char text[kLocalSize];
  TrimCopy(text, sizeof text, CustomValue(record));
  return AnswerQuery(text, buffer, size);
}

}  // namespace

INSTALL_EXPORT int WINAPI GetNames(HostCallParams* params) {
  PublishRecord(params, "MDMTARGET", CustomRecord::ModemInfTarget);
  PublishRecord(params, "DLLTARGET", CustomRecord::ConfigDllTargetName);
  PublishRecord(params, "MODEMNAME", CustomRecord::ModemName);
  PublishRecord(params, "MAINDIR", CustomRecord::DefaultPath);
  return 1;
}

INSTALL_EXPORT int WINAPI SetAppTitle(HostCallParams* params) {
  PublishRecord(params, "APPTITLE", CustomRecord::InstallationAppTitle);
  return 0;
}

INSTALL_EXPORT int WINAPI GetCardLabel(HostCallParams* params) {
  PublishRecord(params, "CARDLABEL", CustomRecord::Driver2ImageName);
  PublishRecord(params, "LONGCARDNAME", CustomRecord::LongCardLabel);
  return 0;
}

INSTALL_EXPORT int WINAPI GetManStuff(HostCallParams* params) {
  PublishRecord(params, "SHORTMANNAME", CustomRecord::ShortManufacturerLabel);
  PublishRecord(params, "LONGMANNAME", CustomRecord::LongManufacturerLabel);
  return 0;
}

INSTALL_EXPORT int WINAPI SetDriverName(HostCallParams* params) {
  PublishRecord(params, "DRIVERNAME", CustomRecord::Driver2ImageName);
  PublishRecord(params, "DRIVERNAMEA", CustomRecord::Driver1ImageName);
  return 0;
}

INSTALL_EXPORT int WINAPI GetDate(HostCallParams* params) {
  SetScriptVar(params, "INST_VERSION", "3.5");
  return 0;
}

// MAINDIR keeps its long form when the folder cannot be converted (it does not exist, say) or
// when the short form would not fit its 256-byte buffer.
INSTALL_EXPORT int WINAPI GetShortPath(HostCallParams* params) {
  char longPath[kScriptValueSize];
  char shortPath[kScriptValueSize];
  GetScriptVar(params, "MAINDIR", longPath);
  DWORD length = GetShortPathNameA(longPath, shortPath, sizeof shortPath);
  if (length != 0 && length < sizeof shortPath) SetScriptVar(params, "MAINDIR", shortPath);
  return 1;
}

INSTALL_EXPORT int WINAPI GetModemName2(char* buffer, DWORD* size) {
  return AnswerRecordQuery(CustomRecord::ModemName, buffer, size);
}

INSTALL_EXPORT int WINAPI GetCardName2(char* buffer, DWORD* size) {
  return AnswerRecordQuery(CustomRecord::LongCardLabel, buffer, size);
}

// SOFTWARE\<short manufacturer label>\<driver image name>\CurrentVersion, under HKEY_LOCAL_MACHINE.
INSTALL_EXPORT int WINAPI GetRegPath2(char* buffer, DWORD* size) {
  char manufacturer[kLocalSize];
  char driver[kLocalSize];
  TrimCopy(manufacturer, sizeof manufacturer, CustomValue(CustomRecord::ShortManufacturerLabel));
  TrimCopy(driver, sizeof driver, CustomValue(CustomRecord::Driver2ImageName));

  // 9 + 127 + 1 + 127 + 15 characters at most, so the path always fits.
  char path[9 + kLocalSize + kLocalSize + 16];
  size_t used = 0;
  const char* const parts[] = {"SOFTWARE\\", manufacturer, "\\", driver, "\\CurrentVersion"};
  for (const char* part : parts) {
    size_t length = strlen(part);
    memcpy(path + used, part, length);
    used += length;
  }
  path[used] = '\0';
  return AnswerQuery(path, buffer, size);
}
