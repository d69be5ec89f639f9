// The library's own module instance, which holds its dialog resources.
#pragma once

#include <windows.h>

// Set when the system attaches the library to the process, null again after it detaches.
extern HINSTANCE ModuleInstance;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
