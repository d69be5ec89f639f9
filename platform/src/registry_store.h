// The persistent system's registry file (see winsim::OpenSystem).
#pragma once

#include <string>

namespace winsim {
namespace registry {

// The file written after every change; empty for a registry in memory only.
void SetStateFile(const std::string& path);
// Applies the .reg file at `path` to the registry; a missing file is an empty registry. False,
// with the registry unchanged, for a file that cannot be read or parsed.
bool LoadStateFile(const std::string& path, std::string* error);
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);
// Writes `bytes` to `path` through a temporary file and a rename.
bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace registry
}  // namespace winsim
