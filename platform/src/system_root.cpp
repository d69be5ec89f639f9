// Where the simulated system lives on the host, and its two ways of starting: fresh and in
// memory for a test, or opened from its folder for a program.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "executable_folder.h"
#include "registry_store.h"
#include "registry_tree.h"
#include "winsim.h"

namespace winsim {
namespace {

std::string& Root() {
  static std::string root;
  return root;
}

// Makes `folder` and any missing parent of it.
void MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0755);
  }
  mkdir(folder.c_str(), 0755);
}

// Drive C: with the Windows, system and INF folders.
void MakeDrive(const std::string& folder) {
  MakeFolders(folder + "/c/WINNT/system32");
  MakeFolders(folder + "/c/WINNT/inf");
}

}  // namespace

void ResetSystem(const std::string& folder) {
  std::lock_guard<std::recursive_mutex> guard(registry::RegistryLock());
  Root() = folder;
  MakeDrive(folder);
  registry::SetStateFile("");
  registry::ClearRegistry();
  ClearMessageBoxes();
}

void OpenSystem(const std::string& folder) {
  std::lock_guard<std::recursive_mutex> guard(registry::RegistryLock());
  Root() = folder;
  MakeDrive(folder);
  registry::SetStateFile("");
  registry::ClearRegistry();
  std::string file = folder + "/registry.reg";
  std::string error;
  if (!registry::LoadStateFile(file, &error)) {
    // Writing the empty registry back would destroy the file: it stays as it is, and this
    // process runs on a registry in memory.
    fprintf(stderr, "winsim: %s; the registry is not saved in this run\n", error.c_str());
    return;
  }
  registry::SetStateFile(file);
}

const std::string& SystemRoot() {
  std::lock_guard<std::recursive_mutex> guard(registry::RegistryLock());
  if (Root().empty()) {
    const char* fromEnvironment = getenv("WINSIM_ROOT");
    OpenSystem(fromEnvironment != nullptr && *fromEnvironment != '\0'
                   ? std::string(fromEnvironment)
                   : ExecutableFolder() + "/system");
  }
  return Root();
}

}  // namespace winsim
