// The library's exports. Each is exported under its plain, undecorated name (install.def) with
// the Windows API calling convention.
#pragma once

#include <windows.h>

#include "host_interface.h"

#define INSTALL_EXPORT extern "C"

// Identity exports: publish customization values as installation variables.
INSTALL_EXPORT int WINAPI GetNames(HostCallParams* params);
INSTALL_EXPORT int WINAPI SetAppTitle(HostCallParams* params);
INSTALL_EXPORT int WINAPI GetCardLabel(HostCallParams* params);
INSTALL_EXPORT int WINAPI GetManStuff(HostCallParams* params);
INSTALL_EXPORT int WINAPI SetDriverName(HostCallParams* params);
INSTALL_EXPORT int WINAPI GetDate(HostCallParams* params);
INSTALL_EXPORT int WINAPI GetShortPath(HostCallParams* params);

// Registration helpers: system numbering schemes and lists.
INSTALL_EXPORT int WINAPI GetOEMName(HostCallParams* params);
INSTALL_EXPORT int WINAPI GetNetNumber(HostCallParams* params);
INSTALL_EXPORT int WINAPI IsLumdexInstalled(HostCallParams* params);
INSTALL_EXPORT int WINAPI SetupMessages(HostCallParams* params);

// Modem devices: one modem of the product's driver per port PORT1 to PORT<NUMPORTS>.
INSTALL_EXPORT int WINAPI InstallModems(HostCallParams* params);

// Queries for the uninstaller. On entry *size is the buffer's capacity in bytes; on return it is
// the bytes the text needs, its length plus 1. When the capacity is smaller the buffer is left
// alone and the result is 0; otherwise the text and its NUL are copied and the result is 1.
INSTALL_EXPORT int WINAPI GetModemName2(char* buffer, DWORD* size);
INSTALL_EXPORT int WINAPI GetCardName2(char* buffer, DWORD* size);
INSTALL_EXPORT int WINAPI GetRegPath2(char* buffer, DWORD* size);
