#include "test_system.h"

#include <stdio.h>

#ifdef _WIN32
#include <process.h>
#else
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include "winsim.h"
#endif

#ifdef _WIN32
namespace {
int scratchNumber = 0;  // folders of one process get names of their own
}
#endif

ScratchFolder::ScratchFolder() {
#ifdef _WIN32
  base_ = "C:\\T" + std::to_string(_getpid() % 100000) + "_" + std::to_string(++scratchNumber % 10);
#else
  char pattern[] = "/tmp/winsim-test.XXXXXX";
  hostRoot_ = mkdtemp(pattern);
  winsim::ResetSystem(hostRoot_);
  base_ = "C:\\SCRATCH";  // each test has a system of its own
#endif
  CreateDirectoryA(base_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
  for (auto made = made_.rbegin(); made != made_.rend(); ++made) RemoveDirectoryA(made->c_str());
  RemoveDirectoryA(base_.c_str());
#ifndef _WIN32
  nftw(
      hostRoot_.c_str(),
      [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
      FTW_DEPTH | FTW_PHYS);
#endif
}

std::string ScratchFolder::Path(const std::string& relative) const {
  return base_ + "\\" + relative;
}

bool ScratchFolder::MakeFolder(const std::string& relative) {
  std::string path = Path(relative);
  if (!CreateDirectoryA(path.c_str(), nullptr)) return false;
  made_.push_back(path);
  return true;
}

std::string InstallLibraryFile() {
#ifdef _WIN32
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.rfind('\\') + 1) + "install.dll";
#else
  return INSTALL_LIBRARY_FILE;
#endif
}
