#include "setupapi_functions.h"

namespace {

// GetProcAddress hands out one generic type; a detour through void(*)(void) converts it to the
// function's own type without the compiler taking it for a mistake.
template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function) {
  FARPROC found = GetProcAddress(module, name);
  *function = reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(found));
  return found != nullptr;
}

}  // namespace

DWORD LoadSetupApi(SetupApi* api) {
  api->module = LoadLibraryA("setupapi.dll");
  if (api->module == nullptr) return GetLastError();
  HMODULE m = api->module;
  if (!Resolve(m, "SetupDiCreateDeviceInfoList", &api->CreateDeviceInfoList) ||
      !Resolve(m, "SetupDiDestroyDeviceInfoList", &api->DestroyDeviceInfoList) ||
      !Resolve(m, "SetupDiBuildDriverInfoList", &api->BuildDriverInfoList) ||
      !Resolve(m, "SetupDiEnumDriverInfoW", &api->EnumDriverInfoW) ||
      !Resolve(m, "SetupDiSetSelectedDriverW", &api->SetSelectedDriverW) ||
      !Resolve(m, "SetupDiCreateDeviceInfoW", &api->CreateDeviceInfoW) ||
      !Resolve(m, "SetupDiRegisterDeviceInfo", &api->RegisterDeviceInfo) ||
      !Resolve(m, "SetupDiEnumDeviceInfo", &api->EnumDeviceInfo) ||
      !Resolve(m, "SetupDiCallClassInstaller", &api->CallClassInstaller) ||
      !Resolve(m, "SetupDiOpenDevRegKey", &api->OpenDevRegKey)) {
    DWORD error = GetLastError();
    FreeSetupApi(api);
    return error;
  }
  return ERROR_SUCCESS;
}

void FreeSetupApi(SetupApi* api) {
  if (api->module != nullptr) FreeLibrary(api->module);
  api->module = nullptr;
}
