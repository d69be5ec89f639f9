// The library's entry point, called by the system through the run-time start-up code.
#include "module_instance.h"

HINSTANCE ModuleInstance = nullptr;

// Never fails: loading must not fail on the library's account.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    ModuleInstance = instance;
  } else if (reason == DLL_PROCESS_DETACH) {
    ModuleInstance = nullptr;
  }
  return TRUE;
}
