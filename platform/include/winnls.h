// Code page conversion. The simulated system's ANSI code page is 1252, as on a Western
// European or American Windows.
#pragma once

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008

// Lengths in characters of each side; -1 for a NUL-terminated source, whose NUL is converted
// too. With a destination length of 0 the result is the length needed.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength,
                               LPWSTR destination, int destinationLength);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength,
                               LPSTR destination, int destinationLength, LPCSTR defaultChar,
                               LPBOOL usedDefaultChar);
UINT WINAPI GetACP(void);

int WINAPI lstrlenW(LPCWSTR text);

#ifdef __cplusplus
}
#endif
