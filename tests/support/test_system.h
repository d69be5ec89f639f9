// What the tests need of the system under them, the same in both builds.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A scratch folder on drive C: for one test, removed again afterwards. Natively each one is a
// fresh simulated system; under Wine it is a new folder on the prefix's own drive C:. Its own
// name is a valid 8.3 name, so a test controls which components of a path are long.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's own path, "C:\NAME".
  const std::string& Base() const { return base_; }
  // Base() + "\" + relative.
  std::string Path(const std::string& relative) const;
  // Creates Path(relative) with CreateDirectoryA; removed by the destructor.
  bool MakeFolder(const std::string& relative);

 private:
  std::string base_;
  std::vector<std::string> made_;
#ifndef _WIN32
  std::string hostRoot_;
#endif
};

// The built install library's file: install.dll or libinstall.so.
std::string InstallLibraryFile();

// The install library, loaded by name as the host loads it, and its exports by plain name.
class LoadedInstall {
 public:
  LoadedInstall() : module_(LoadLibraryA("install.dll")) {}
  ~LoadedInstall() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedInstall(const LoadedInstall&) = delete;
  LoadedInstall& operator=(const LoadedInstall&) = delete;

  HMODULE module() const { return module_; }
  template <typename Function>
  Function Export(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};
