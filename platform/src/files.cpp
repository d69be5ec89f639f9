// File system functions of kernel32 on the simulated drives.
#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "drive_paths.h"
#include "winsim.h"

using winsim::ResolvedPath;
using winsim::WindowsPath;

namespace {

DWORD Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// Resolves a path whose last component may be missing: its folder must exist.
DWORD ResolveParent(const WindowsPath& path, std::string* folder) {
  if (path.components.empty()) return ERROR_ACCESS_DENIED;  // the drive's root itself
  WindowsPath parent = path;
  parent.components.pop_back();
  ResolvedPath resolved;
  DWORD error = winsim::ResolvePath(parent, &resolved);
  if (error != ERROR_SUCCESS) return ERROR_PATH_NOT_FOUND;
  *folder = resolved.host;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD capacity) {
  DWORD error;
  if (winsim::ShouldFail("GetShortPathNameA", &error)) return Fail(error);
  if (longPath == nullptr || *longPath == '\0') return Fail(ERROR_INVALID_PARAMETER);
  WindowsPath path;
  if (!winsim::SplitWindowsPath(longPath, &path)) return Fail(ERROR_PATH_NOT_FOUND);
  ResolvedPath resolved;
  error = winsim::ResolvePath(path, &resolved);
  // Any missing component, the last or a folder on the way, is reported as a missing file.
  if (error == ERROR_PATH_NOT_FOUND) error = ERROR_FILE_NOT_FOUND;
  if (error != ERROR_SUCCESS) return Fail(error);

  // A component that already is a valid 8.3 name is copied as given.
  std::string result = path.drive;
  for (size_t i = 0; i < path.components.size(); ++i) {
    const std::string& given = path.components[i];
    result += '\\';
    result += winsim::IsShortName(given)
                  ? given
                  : winsim::ShortNameOf(resolved.folders[i], resolved.entries[i]);
  }
  if (path.components.empty() || path.trailingSeparator) result += '\\';

  DWORD needed = static_cast<DWORD>(result.size() + 1);
  if (shortPath == nullptr || capacity < needed) return needed;
  memcpy(shortPath, result.c_str(), needed);
  return needed - 1;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  DWORD error;
  if (winsim::ShouldFail("GetFileAttributesA", &error)) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  WindowsPath path;
  ResolvedPath resolved;
  error = !winsim::SplitWindowsPath(fileName, &path) ? ERROR_PATH_NOT_FOUND
                                                     : winsim::ResolvePath(path, &resolved);
  struct stat info;
  if (error == ERROR_SUCCESS && stat(resolved.host.c_str(), &info) != 0) error = ERROR_FILE_NOT_FOUND;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPVOID /*securityAttributes*/) {
  DWORD error;
  if (winsim::ShouldFail("CreateDirectoryA", &error)) return Fail(error);
  WindowsPath path;
  if (!winsim::SplitWindowsPath(pathName, &path)) return Fail(ERROR_PATH_NOT_FOUND);
  ResolvedPath existing;
  if (winsim::ResolvePath(path, &existing) == ERROR_SUCCESS) return Fail(ERROR_ALREADY_EXISTS);
  std::string folder;
  error = ResolveParent(path, &folder);
  if (error != ERROR_SUCCESS) return Fail(error);
  if (mkdir((folder + "/" + path.components.back()).c_str(), 0755) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
  DWORD error;
  if (winsim::ShouldFail("RemoveDirectoryA", &error)) return Fail(error);
  WindowsPath path;
  if (!winsim::SplitWindowsPath(pathName, &path)) return Fail(ERROR_PATH_NOT_FOUND);
  ResolvedPath resolved;
  error = winsim::ResolvePath(path, &resolved);
  if (error != ERROR_SUCCESS) return Fail(error);
  if (rmdir(resolved.host.c_str()) != 0) {
    return Fail(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ERROR_DIRECTORY);
  }
  return TRUE;
}
