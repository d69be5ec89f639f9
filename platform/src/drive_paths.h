// Paths on the simulated drives: splitting, short names and resolution onto host paths.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace winsim {

struct WindowsPath {
  std::string drive;                    // as written, "C:" or "c:"
  std::vector<std::string> components;  // between separators, empty ones dropped
  bool trailingSeparator = false;
};

// Splits an absolute drive path ("C:\a\b", either separator). False for anything else; the
// simulated system has no current folder, so relative paths are not accepted.
bool SplitWindowsPath(const char* text, WindowsPath* path);

// True for a name that already is a valid 8.3 name, which has no other short name.
bool IsShortName(const std::string& name);

// The short name of the entry `name` of the host folder `folder`: the name itself when it is a
// valid 8.3 name, else the first characters, "~" and a number that is unique in the folder.
std::string ShortNameOf(const std::string& folder, const std::string& name);

struct ResolvedPath {
  std::string host;                   // host path of the last component
  std::vector<std::string> entries;   // the host name of each component
  std::vector<std::string> folders;   // the host folder holding each component
};

// Resolves each component without regard to case, by long or short name. On failure returns
// the Win32 error: ERROR_FILE_NOT_FOUND for a missing last component, ERROR_PATH_NOT_FOUND for
// a missing folder on the way or a drive the system does not have.
DWORD ResolvePath(const WindowsPath& path, ResolvedPath* resolved);

// Host folder of a drive, or empty when the simulated system has no such drive.
std::string DriveFolder(const std::string& drive);

}  // namespace winsim
