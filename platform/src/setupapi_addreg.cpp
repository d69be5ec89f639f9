// Add-registry sections: read and checked, then carried out (rules in setupapi_addreg.h).
#include "setupapi_addreg.h"

#include <string.h>

#include <setupapi.h>

#include "setupapi_reg.h"
#include "setupapi_text.h"

namespace winsim {
namespace setupapi {
namespace {

constexpr DWORD kBinValueType = 0x00000001;
constexpr DWORD kNoClobber = 0x00000002;
constexpr DWORD kDelVal = 0x00000004;
constexpr DWORD kAppend = 0x00000008;
constexpr DWORD kKeyOnly = 0x00000010;
constexpr DWORD kOverwriteOnly = 0x00000020;

const struct {
  const char16_t* name;
  HKEY key;
} kRoots[] = {
    {u"HKLM", HKEY_LOCAL_MACHINE}, {u"HKCU", HKEY_CURRENT_USER},
    {u"HKCR", HKEY_CLASSES_ROOT},  {u"HKU", HKEY_USERS},
};

int Digit(char16_t c, int base) {
  int value = c >= u'0' && c <= u'9'   ? c - u'0'
              : c >= u'a' && c <= u'f' ? c - u'a' + 10
              : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                       : 99;
  return value < base ? value : -1;
}

// Digits of `base` with an optional "0x" before hex; false for anything else or past 32 bits.
bool ParseNumber(const std::u16string& text, int base, DWORD* value) {
  size_t at = 0;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    at = 2;
  }
  if (at >= text.size()) return false;
  uint64_t number = 0;
  for (; at < text.size(); ++at) {
    int digit = Digit(text[at], base);
    if (digit < 0) return false;
    number = number * base + static_cast<uint64_t>(digit);
    if (number > 0xFFFFFFFFu) return false;
  }
  *value = static_cast<DWORD>(number);
  return true;
}

void AppendText(std::vector<BYTE>* data, const std::u16string& text) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  data->insert(data->end(), bytes, bytes + (text.size() + 1) * sizeof(char16_t));
}

// The type and bytes of an entry's value, from its flags and value fields.
bool EncodeValue(const std::vector<std::u16string>& values, AddRegEntry* entry) {
  DWORD high = entry->flags >> 16;
  entry->data.clear();
  if ((entry->flags & kBinValueType) == 0) {
    if (high == 0 || high == 2) {
      entry->type = high == 0 ? REG_SZ : REG_EXPAND_SZ;
      AppendText(&entry->data, values.empty() ? u"" : values[0]);
    } else if (high == 1) {
      entry->type = REG_MULTI_SZ;
      for (const std::u16string& text : values) AppendText(&entry->data, text);
      entry->data.push_back(0);
      entry->data.push_back(0);
      entry->strings = values;
    } else {
      return false;
    }
    return true;
  }
  entry->type = high == 0 ? REG_BINARY : high == 1 ? REG_DWORD : high == 2 ? REG_NONE : high;
  if (entry->type == REG_DWORD && values.size() == 1) {
    DWORD number;
    if (!ParseNumber(values[0], 10, &number)) return false;
    entry->data.resize(sizeof number);
    memcpy(entry->data.data(), &number, sizeof number);
    return true;
  }
  for (const std::u16string& text : values) {
    DWORD byte;
    if (!ParseNumber(text, 16, &byte) || byte > 0xFF) return false;
    entry->data.push_back(static_cast<BYTE>(byte));
  }
  return true;
}

LONG AppendStrings(HKEY key, const AddRegEntry& entry) {
  LPCWSTR name = reinterpret_cast<LPCWSTR>(entry.valueName.c_str());
  DWORD type = REG_NONE;
  std::vector<BYTE> existing;
  std::vector<std::u16string> strings;
  LONG status = ReadValue(key, entry.valueName.c_str(), &type, &existing);
  if (status == ERROR_SUCCESS && type == REG_MULTI_SZ) {
    std::u16string all(existing.size() / sizeof(char16_t), u'\0');
    if (!all.empty()) memcpy(&all[0], existing.data(), all.size() * sizeof(char16_t));
    for (size_t start = 0; start < all.size();) {
      size_t end = all.find(u'\0', start);
      if (end == std::u16string::npos) end = all.size();
      if (end > start) strings.push_back(all.substr(start, end - start));
      start = end + 1;
    }
  } else if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    return status;
  }
  for (const std::u16string& text : entry.strings) {
    bool present = false;
    for (const std::u16string& have : strings) present = present || SameText(have, text);
    if (!present) strings.push_back(text);
  }
  std::vector<BYTE> data;
  for (const std::u16string& text : strings) AppendText(&data, text);
  data.push_back(0);
  data.push_back(0);
  return RegSetValueExW(key, name, 0, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
}

}  // namespace

DWORD ReadAddRegSection(const inf::File& file, const std::u16string& section, std::vector<AddRegEntry>* entries) {
  const inf::Section* found = file.Find(section);
  if (found == nullptr) return ERROR_SECTION_NOT_FOUND;
  for (const inf::Line& line : found->lines) {
    const std::vector<std::u16string>& fields = line.fields;
    if (line.hasKey || fields.empty()) return ERROR_INVALID_DATA;
    AddRegEntry entry;
    entry.line = line.number;
    if (!SameText(fields[0], u"HKR")) {
      bool known = false;
      for (const auto& root : kRoots) {
        if (SameText(fields[0], root.name)) {
          entry.root = root.key;
          known = true;
        }
      }
      if (!known) return ERROR_INVALID_DATA;
    }
    if (fields.size() > 1) entry.subkey = fields[1];
    entry.writesValue = fields.size() > 2;
    if (entry.writesValue) entry.valueName = fields[2];
    if (fields.size() > 3 && !fields[3].empty() && !ParseNumber(fields[3], 10, &entry.flags)) {
      return ERROR_INVALID_DATA;
    }
    std::vector<std::u16string> values(fields.begin() + (fields.size() > 4 ? 4 : fields.size()), fields.end());
    if (entry.writesValue && (entry.flags & (kKeyOnly | kDelVal)) == 0 && !EncodeValue(values, &entry)) {
      return ERROR_INVALID_DATA;
    }
    entries->push_back(entry);
  }
  return ERROR_SUCCESS;
}

bool IsResponsesEntry(const AddRegEntry& entry) {
  return entry.root == nullptr &&
         (SameText(entry.subkey, u"Responses") || StartsWithText(entry.subkey, u"Responses\\"));
}

LONG ApplyAddReg(const AddRegEntry& entry, HKEY relative) {
  HKEY base = entry.root != nullptr ? entry.root : relative;
  if (base == nullptr) return ERROR_INVALID_HANDLE;
  if ((entry.flags & kDelVal) != 0) {
    if (entry.writesValue && !entry.valueName.empty()) {
      RegKey key;
      LONG status = OpenKey(base, entry.subkey, KEY_SET_VALUE, &key);
      if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
      if (status != ERROR_SUCCESS) return status;
      status = RegDeleteValueW(key.get(), reinterpret_cast<LPCWSTR>(entry.valueName.c_str()));
      return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    // Without a subkey this would delete the root or the device's own key: nothing to do.
    return entry.subkey.empty() ? ERROR_SUCCESS : DeleteTree(base, entry.subkey);
  }
  RegKey key;
  LONG status = CreateKey(base, entry.subkey, &key);
  if (status != ERROR_SUCCESS) return status;
  if (!entry.writesValue || (entry.flags & kKeyOnly) != 0) return ERROR_SUCCESS;
  bool exists = ValueExists(key.get(), entry.valueName.c_str());
  if ((entry.flags & kNoClobber) != 0 && exists) return ERROR_SUCCESS;
  if ((entry.flags & kOverwriteOnly) != 0 && !exists) return ERROR_SUCCESS;
  if ((entry.flags & kAppend) != 0 && entry.type == REG_MULTI_SZ) return AppendStrings(key.get(), entry);
  return RegSetValueExW(key.get(), reinterpret_cast<LPCWSTR>(entry.valueName.c_str()), 0, entry.type,
                        entry.data.data(), static_cast<DWORD>(entry.data.size()));
}

}  // namespace setupapi
}  // namespace winsim
