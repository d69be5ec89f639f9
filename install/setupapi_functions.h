// The device installer's functions, found at run time. setupapi.dll has them only from
// Windows 2000 on; imported by the import table, they would stop the library from loading on
// Windows NT 4.0 at all, where its setup procedure must still run.
#pragma once

#define USE_SP_DRVINFO_DATA_V1 1  // the NT 4.0 record the product uses; mingw's headers pick V2
#include <windows.h>
#include <setupapi.h>

struct SetupApi {
  HMODULE module;
  decltype(&SetupDiCreateDeviceInfoList) CreateDeviceInfoList;
  decltype(&SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList;
  decltype(&SetupDiBuildDriverInfoList) BuildDriverInfoList;
  decltype(&SetupDiEnumDriverInfoW) EnumDriverInfoW;
  decltype(&SetupDiSetSelectedDriverW) SetSelectedDriverW;
  decltype(&SetupDiCreateDeviceInfoW) CreateDeviceInfoW;
  decltype(&SetupDiRegisterDeviceInfo) RegisterDeviceInfo;
  decltype(&SetupDiEnumDeviceInfo) EnumDeviceInfo;
  decltype(&SetupDiCallClassInstaller) CallClassInstaller;
  decltype(&SetupDiOpenDevRegKey) OpenDevRegKey;
};

// Loads setupapi.dll and finds every function by name. Returns 0, or the Win32 code of the
// first step that failed (the library or a function missing), with nothing left loaded.
DWORD LoadSetupApi(SetupApi* api);

// Frees the library LoadSetupApi loaded.
void FreeSetupApi(SetupApi* api);
