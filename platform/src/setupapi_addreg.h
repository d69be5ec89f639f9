// Add-registry sections of an INF (the sections an AddReg directive names):
//   reg-root, [subkey], [value-name], [flags], [value[, value...]]
// reg-root is HKR (the key the installation is for: the driver key), HKLM, HKCU, HKCR or HKU;
// the simulated registry has no HKCR or HKU, so their lines fail when carried out. flags are a number ("0x" hex, else decimal): the
// type in the high word with FLG_ADDREG_BINVALUETYPE (REG_SZ, REG_MULTI_SZ, REG_EXPAND_SZ,
// REG_BINARY, REG_DWORD, REG_NONE or another type number for bytes), and NOCLOBBER, DELVAL,
// APPEND (REG_MULTI_SZ), KEYONLY, OVERWRITEONLY. Binary data is one hex byte a field; a
// REG_DWORD is one number (or its bytes). A line of only reg-root and subkey creates the key.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "setupapi_inf.h"

namespace winsim {
namespace setupapi {

struct AddRegEntry {
  HKEY root = nullptr;  // null for HKR
  std::u16string subkey;
  bool writesValue = false;  // the line has a value-name field
  std::u16string valueName;
  DWORD flags = 0;
  DWORD type = REG_SZ;
  std::vector<BYTE> data;               // the value as it is written
  std::vector<std::u16string> strings;  // for FLG_ADDREG_APPEND
  int line = 0;
};

// Reads every line of the section into `entries` (appended), checking each before anything
// is written: ERROR_SECTION_NOT_FOUND for a missing section, ERROR_INVALID_DATA for a line with
// an unknown root, a malformed number or byte.
DWORD ReadAddRegSection(const inf::File& file, const std::u16string& section, std::vector<AddRegEntry>* entries);

// True for an HKR entry whose subkey is Responses or below it: the modem responses.
bool IsResponsesEntry(const AddRegEntry& entry);

// Carries out one entry; HKR names `relative`. Returns the registry's code.
LONG ApplyAddReg(const AddRegEntry& entry, HKEY relative);

}  // namespace setupapi
}  // namespace winsim
