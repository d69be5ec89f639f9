// Re-attaching modems to a renamed COM port: a walk over the instance keys of the modem setup
// class, rewriting AttachedTo where it names the old port.
#include "modem_reattach.h"

namespace {

const char* const kClassPath[] = {
    "SYSTEM", "CurrentControlSet", "Control", "Class", "{4D36E96D-E325-11CE-BFC1-08002BE10318}",
};

constexpr DWORD kPortNameLength = 7;     // the caller's buffers hold 8 bytes with the NUL
constexpr DWORD kSubkeyCapacity = 5;     // characters: "0000" to "9999" and the NUL
constexpr DWORD kAttachedToSize = 20;    // bytes, the NUL included
const char kAttachedTo[] = "AttachedTo";

// True when `name` is not null and holds at most kPortNameLength characters; reads no further
// than one byte past that bound.
bool IsPortName(const char* name) {
  if (name == nullptr) return false;
  for (DWORD length = 0; length <= kPortNameLength; ++length) {
    if (name[length] == '\0') return true;
  }
  return false;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Compares the `size` bytes `value` read from the registry, as a text ending at its first NUL or
// at the end of the bytes (RegQueryValueExA does not promise a terminator), with the
// zero-terminated `name`. Only A to Z are folded: a locale's case rules must not decide which
// modem follows the port.
bool SamePortName(const char* value, DWORD size, const char* name) {
  DWORD at = 0;
  for (; at < size && value[at] != '\0'; ++at) {
    if (name[at] == '\0' || UpperAscii(value[at]) != UpperAscii(name[at])) return false;
  }
  return name[at] == '\0';
}

DWORD TextLength(const char* text) {
  DWORD length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

// Examines the instance key `name` under `classKey` and rewrites its AttachedTo when it names
// `oldName`. Returns 0 or the first registry error; closes every key it opened, never `classKey`.
LONG ReattachInstance(HKEY classKey, const char* name, const char* newName, const char* oldName) {
  HKEY instance = nullptr;
  LONG status = RegOpenKeyExA(classKey, name, 0, KEY_READ, &instance);
  if (status != ERROR_SUCCESS) return status;

  char attachedTo[kAttachedToSize];
  DWORD size = sizeof attachedTo;
  status = RegQueryValueExA(instance, kAttachedTo, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(attachedTo), &size);
  if (status != ERROR_SUCCESS || !SamePortName(attachedTo, size, oldName)) {
    RegCloseKey(instance);
    return status;
  }

  // The read handle carries no write access; the key is opened again for the write.
  RegCloseKey(instance);
  HKEY writable = nullptr;
  status = RegOpenKeyExA(classKey, name, 0, KEY_WRITE, &writable);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExA(writable, kAttachedTo, 0, REG_SZ, reinterpret_cast<const BYTE*>(newName),
                          TextLength(newName) + 1);
  RegCloseKey(writable);
  return status;
}

}  // namespace

LONG OpenModemClassKey(HKEY* key) {
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  HKEY current = nullptr;
  LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClassPath[0], 0, KEY_READ, &current);
  if (status != ERROR_SUCCESS) return status;
  for (size_t part = 1; part < sizeof kClassPath / sizeof kClassPath[0]; ++part) {
    HKEY next = nullptr;
    status = RegOpenKeyExA(current, kClassPath[part], 0, KEY_READ, &next);
    // The key above is done with either way; a failed close of a read handle changes nothing.
    RegCloseKey(current);
    if (status != ERROR_SUCCESS) return status;
    current = next;
  }
  *key = current;
  return ERROR_SUCCESS;
}

LONG ReattachModems(const char* newName, const char* oldName) {
  if (!IsPortName(newName) || !IsPortName(oldName)) return ERROR_INVALID_PARAMETER;
  HKEY classKey = nullptr;
  LONG status = OpenModemClassKey(&classKey);
  if (status != ERROR_SUCCESS) return status;

  for (DWORD index = 0;; ++index) {
    char name[kSubkeyCapacity];
    DWORD length = kSubkeyCapacity;
    status = RegEnumKeyExA(classKey, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return RegCloseKey(classKey);
    // A longer instance name than four digits (ERROR_MORE_DATA) ends the walk like any error.
    if (status == ERROR_SUCCESS) status = ReattachInstance(classKey, name, newName, oldName);
    if (status != ERROR_SUCCESS) {
      RegCloseKey(classKey);
      return status;
    }
  }
}
