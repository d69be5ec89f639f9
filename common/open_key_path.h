// Opening a registry path of several components one component at a time.
#pragma once

#include <windows.h>

// Opens `path`, backslash-separated components without a root name, under `root`, each
// component with `access`; `options` is reserved and passed as 0. On success *result is the key
// of the last component, which the caller closes; every key opened on the way is closed again,
// and `root` is never closed. Returns the Win32 code of the first open that failed, with nothing
// left open and *result untouched. An empty path, one that ends with a backslash, or a component
// of more than 255 characters is refused with ERROR_INVALID_PARAMETER before anything is opened.
// An empty component (a leading or doubled backslash) opens the current key once more.
//
// install builds the 8-bit form, uninstall the 16-bit form, from the one template below.
LONG OpenKeyPath(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result);
LONG OpenKeyPath(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result);
