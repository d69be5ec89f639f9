// File system functions of kernel32 on the simulated drives.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
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

namespace {

// An open file: the handle is the address of its record, kept in a table so that a handle that
// is not open is told apart instead of being used.
struct OpenFile {
  int descriptor;
};

std::set<OpenFile*>& OpenFiles() {
  static std::set<OpenFile*> files;
  return files;
}

}  // namespace

extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD /*shareMode*/,
                                     LPSECURITY_ATTRIBUTES /*security*/, DWORD creation,
                                     DWORD /*flags*/, HANDLE /*templateFile*/) {
  DWORD error;
  if (winsim::ShouldFail("CreateFileA", &error)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  WindowsPath path;
  if (!winsim::SplitWindowsPath(fileName, &path) || path.components.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string hostPath;
  ResolvedPath resolved;
  error = winsim::ResolvePath(path, &resolved);
  if (error == ERROR_SUCCESS) {
    hostPath = resolved.host;
    struct stat info;
    if (stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) error = ERROR_ACCESS_DENIED;
    else if (creation == CREATE_NEW) error = ERROR_FILE_EXISTS;
  } else if (error == ERROR_FILE_NOT_FOUND && creation != OPEN_EXISTING &&
             creation != TRUNCATE_EXISTING) {
    std::string folder;
    error = ResolveParent(path, &folder);
    hostPath = folder + "/" + path.components.back();
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }

  int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING) mode |= O_TRUNC;
  if (creation != OPEN_EXISTING && creation != TRUNCATE_EXISTING) mode |= O_CREAT;
  int descriptor = open(hostPath.c_str(), mode | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  OpenFile* file = new OpenFile{descriptor};
  OpenFiles().insert(file);
  winsim::CountOpened(winsim::Resource::File);
  return file;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
  auto found = OpenFiles().find(static_cast<OpenFile*>(handle));
  if (found == OpenFiles().end()) return Fail(ERROR_INVALID_HANDLE);
  close((*found)->descriptor);
  delete *found;
  OpenFiles().erase(found);
  winsim::CountClosed(winsim::Resource::File);
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  DWORD error;
  if (winsim::ShouldFail("DeleteFileA", &error)) return Fail(error);
  WindowsPath path;
  if (!winsim::SplitWindowsPath(fileName, &path)) return Fail(ERROR_PATH_NOT_FOUND);
  ResolvedPath resolved;
  error = winsim::ResolvePath(path, &resolved);
  if (error != ERROR_SUCCESS) return Fail(error);
  struct stat info;
  if (stat(resolved.host.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (unlink(resolved.host.c_str()) != 0) return Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

// The simulated system's folder C:\WINNT\system32; the size contract of Windows.
extern "C" UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  static const char kSystemFolder[] = "C:\\WINNT\\system32";
  if (buffer == nullptr || size < sizeof kSystemFolder) return sizeof kSystemFolder;
  memcpy(buffer, kSystemFolder, sizeof kSystemFolder);
  return sizeof kSystemFolder - 1;
}
