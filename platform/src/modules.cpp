// LoadLibraryA, GetProcAddress and FreeLibrary over the host's dynamic loader. As on Windows, the
// library's DllMain sees DLL_PROCESS_ATTACH on its first load into the process and
// DLL_PROCESS_DETACH when its last reference is freed; the module handle is its instance handle.
#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <map>
#include <string>

#include <windows.h>

#include "executable_folder.h"
#include "winsim.h"

#define ERROR_DLL_INIT_FAILED 1114L

namespace {

typedef BOOL (*DllEntry)(HINSTANCE, DWORD, LPVOID);

struct Module {
  void* library;  // one dlopen reference per LoadLibraryA, given back by FreeLibrary
  int references;
  DllEntry entry;
};

std::map<HMODULE, Module>& Modules() {
  static std::map<HMODULE, Module> modules;
  return modules;
}

// The system DLLs are the simulation itself: one library holds all their functions (so
// GetProcAddress on setupapi.dll would find a registry function too; nothing relies on that).
bool IsSystemLibrary(const std::string& name) {
  static const char* const kSystemLibraries[] = {"kernel32.dll", "user32.dll", "advapi32.dll",
                                                 "setupapi.dll", "gdi32.dll",  "msvcrt.dll"};
  for (const char* system : kSystemLibraries) {
    if (strcasecmp(name.c_str(), system) == 0) return true;
  }
  return false;
}

std::string SimulationLibraryPath() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&IsSystemLibrary), &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

// "install.dll" names libinstall.so beside the executable: the application folder is where
// Windows looks first. A name with a folder is loaded as it stands.
std::string HostLibraryPath(const std::string& name) {
  if (IsSystemLibrary(name)) return SimulationLibraryPath();
  if (name.find('/') != std::string::npos) return name;
  std::string file = name;
  if (file.size() > 4 && strcasecmp(file.c_str() + file.size() - 4, ".dll") == 0) {
    file = "lib" + file.substr(0, file.size() - 4) + ".so";
  }
  return winsim::ExecutableFolder() + "/" + file;
}

}  // namespace

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  DWORD error;
  if (winsim::ShouldFail("LoadLibraryA", &error)) {
    SetLastError(error);
    return nullptr;
  }
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* library = dlopen(HostLibraryPath(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  for (auto& [handle, module] : Modules()) {
    if (module.library == library) {
      ++module.references;
      dlclose(library);  // the first load's reference keeps it mapped
      winsim::CountOpened(winsim::Resource::Module);
      return handle;
    }
  }
  // The handle only has to be unique and stable while loaded; the dlopen handle is both.
  HMODULE handle = static_cast<HMODULE>(library);
  DllEntry entry = reinterpret_cast<DllEntry>(dlsym(library, "DllMain"));
  if (entry != nullptr && !entry(handle, DLL_PROCESS_ATTACH, nullptr)) {
    dlclose(library);
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  Modules()[handle] = Module{library, 1, entry};
  winsim::CountOpened(winsim::Resource::Module);
  return handle;
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE handle) {
  auto found = Modules().find(handle);
  if (found == Modules().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--found->second.references == 0) {
    Module module = found->second;
    Modules().erase(found);
    if (module.entry != nullptr) module.entry(handle, DLL_PROCESS_DETACH, nullptr);
    dlclose(module.library);
  }
  winsim::CountClosed(winsim::Resource::Module);  // every load is one reference to give back
  return TRUE;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR procName) {
  DWORD error;
  if (winsim::ShouldFail("GetProcAddress", &error)) {
    SetLastError(error);
    return nullptr;
  }
  auto found = Modules().find(handle);
  if (found == Modules().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = procName != nullptr ? dlsym(found->second.library, procName) : nullptr;
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}
