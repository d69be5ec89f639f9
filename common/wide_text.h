// 16-bit text literals: WCHAR is wchar_t on Windows and char16_t in the native build, whose
// wchar_t is 32 bits wide.
#pragma once

#ifdef _WIN32
#define WTEXT(text) L##text
#else
#define WTEXT(text) u##text
#endif
