// The registry's life on disk: .reg import and export, and the persistent system's state file,
// written again after every change.
#include "registry_store.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "registry_file.h"
#include "winsim.h"

namespace winsim {
namespace registry {
namespace {

std::string& StateFile() {
  static std::string file;
  return file;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": " + strerror(errno);
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  *bytes = text.str();
  return true;
}

bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string* error) {
  // A temporary file beside the target, renamed over it: the target is always either the old
  // file or the new one, never a part of it, whenever the program is killed. (No fsync: the
  // file is written after every change, and a crash of the host itself is not simulated.)
  std::string temporary = path + ".tmp" + std::to_string(getpid());
  FILE* file = fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    *error = temporary + ": " + strerror(errno);
    return false;
  }
  bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = fflush(file) == 0 && written;
  written = fclose(file) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    *error = path + ": " + strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void SetStateFile(const std::string& path) { StateFile() = path; }

bool LoadStateFile(const std::string& path, std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return true;  // a new system starts empty
  std::string bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  std::vector<RegEdit> edits;
  if (!ParseRegText(bytes, &edits, error)) {
    *error = path + ": " + *error;
    return false;
  }
  std::lock_guard<std::recursive_mutex> guard(RegistryLock());
  ApplyRegEdits(edits);
  return true;
}

void RegistryChanged() {
  if (StateFile().empty()) return;
  std::string error;
  if (!WriteFileWhole(StateFile(), RegText(), &error)) {
    fprintf(stderr, "winsim: the registry could not be saved: %s\n", error.c_str());
  }
}

}  // namespace registry

bool ImportRegFile(const std::string& hostPath, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  std::string bytes;
  if (!registry::ReadWholeFile(hostPath, &bytes, error)) return false;
  std::vector<registry::RegEdit> edits;
  if (!registry::ParseRegText(bytes, &edits, error)) {
    *error = hostPath + ": " + *error;
    return false;
  }
  SystemRoot();  // a program's first use opens its system before changing it
  std::lock_guard<std::recursive_mutex> guard(registry::RegistryLock());
  registry::ApplyRegEdits(edits);
  registry::RegistryChanged();
  return true;
}

bool ExportRegFile(const std::string& hostPath, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  SystemRoot();
  std::string text;
  {
    std::lock_guard<std::recursive_mutex> guard(registry::RegistryLock());
    text = registry::RegText();
  }
  return registry::WriteFileWhole(hostPath, text, error);
}

}  // namespace winsim
