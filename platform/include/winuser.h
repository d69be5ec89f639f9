// The user32 subset the product uses, simulated by platform/ in the native build.
#pragma once

#include <stdarg.h>

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

// Formats as Windows does: %[-][0][width][.precision][l|h]{d,i,u,x,X,c,s,%}, no floating point.
// Fills at most 1024 bytes: 1023 characters and the terminator. Returns the characters written,
// or 1024 when the output was cut.
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);
int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments);

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNO 0x00000004L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// Modal: returns the button the user pressed, 0 when the box could not be shown.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#ifdef __cplusplus
}
#endif
