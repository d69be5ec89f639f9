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

#ifdef __cplusplus
}
#endif
