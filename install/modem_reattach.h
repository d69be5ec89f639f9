// Moving the installed modems from one COM port name to another, when the user renames a board
// port in the COM port setup dialog.
#pragma once

#include <windows.h>

// Opens HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-...} (the modem
// setup class) one component at a time, each with KEY_READ. Returns 0 with *key the open class
// key, which the caller closes; otherwise the Win32 code of the first open that failed, with
// nothing left open and *key untouched. A null `key` is ERROR_INVALID_PARAMETER.
LONG OpenModemClassKey(HKEY* key);

// Writes `newName` into the AttachedTo value of every modem class instance key whose
// AttachedTo names `oldName` (letters A to Z compared without regard to case). Both names are
// zero-terminated 8-bit texts of at most 7 characters (the caller's 8-byte buffers); a null or
// longer name is ERROR_INVALID_PARAMETER before anything is opened. Returns 0 when every
// instance key was examined, or the first registry error: keys enumerated before it have been
// rewritten where they matched, later ones are untouched. Nothing is left open on any path.
LONG ReattachModems(const char* newName, const char* oldName);
