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

#ifdef _WIN32
// The DLL's entry point in place of the C run-time start-up code: the library has nothing for
// that code to do (no constructors, no thread data, no data imported from DLLs), and the error
// reports it carries would bring the stdio streams into a library that has no console.
extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return DllMain(instance, reason, reserved);
}
#endif
