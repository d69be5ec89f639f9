#include "replace_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <system_error>

namespace customize {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr int kBinary = O_BINARY;
constexpr int kNewFileMode = _S_IREAD | _S_IWRITE;
int SyncToDisk(int fd) { return _commit(fd); }
int ProcessId() { return _getpid(); }
#else
constexpr int kBinary = 0;
constexpr int kNewFileMode = 0600;  // widened to the original's bits once the content is in
int SyncToDisk(int fd) { return fsync(fd); }
int ProcessId() { return static_cast<int>(getpid()); }
#endif

std::string SystemReason(int code) { return strerror(code); }

// The file a path names, past any symbolic links.
bool ResolveTarget(const std::string& path, fs::path* target, std::string* error) {
  std::error_code ec;
  fs::path resolved = path;
  if (fs::is_symlink(resolved, ec)) resolved = fs::canonical(resolved, ec);
  if (ec) {
    *error = "cannot follow " + path + ": " + ec.message();
    return false;
  }
  *target = resolved;
  return true;
}

bool WriteAll(int fd, std::span<const unsigned char> bytes, std::string* error) {
  size_t done = 0;
  while (done < bytes.size()) {
    // Chunks of at most 1 MiB keep the count within every platform's write() argument type.
    size_t chunk = bytes.size() - done;
    if (chunk > (1u << 20)) chunk = 1u << 20;
    auto wrote = write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
    if (wrote < 0) {
      if (errno == EINTR) continue;
      *error = SystemReason(errno);
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Moves `from` over `to` in one step.
bool RenameOver(const fs::path& from, const fs::path& to, std::string* error) {
#ifdef _WIN32
  if (!MoveFileExA(from.string().c_str(), to.string().c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = "Windows error " + std::to_string(GetLastError());
    return false;
  }
#else
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    *error = SystemReason(errno);
    return false;
  }
  // The rename itself reaches the disk once the folder is flushed; a failure here leaves the new
  // file in place, so it is not reported.
  int folder = open(to.parent_path().empty() ? "." : to.parent_path().c_str(), O_RDONLY);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
#endif
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes,
                   std::string* error) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec) {
    *error = "cannot open " + path + ": " + ec.message();
    return false;
  }
  if (!fs::is_regular_file(status)) {
    *error = path + " is not a regular file";
    return false;
  }
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open " + path + ": " + SystemReason(errno);
    return false;
  }
  bytes->clear();
  unsigned char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  bool failed = ferror(file) != 0;
  int reason = errno;
  fclose(file);
  if (failed) {
    *error = "cannot read " + path + ": " + SystemReason(reason);
    return false;
  }
  return true;
}

bool ReplaceFileContent(const std::string& path, std::span<const unsigned char> bytes,
                        std::string* error) {
  fs::path target;
  if (!ResolveTarget(path, &target, error)) return false;
  std::error_code ec;
  const fs::perms perms = fs::status(target, ec).permissions();
  if (ec) {
    *error = "cannot read the permissions of " + target.string() + ": " + ec.message();
    return false;
  }

  // A new name in the target's own folder, so the rename never crosses file systems. O_EXCL
  // refuses a name that exists, whoever made it.
  const fs::path folder = target.parent_path();
  fs::path temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder / ("." + target.filename().string() + ".customize-" +
                          std::to_string(ProcessId()) + "-" + std::to_string(attempt));
    fd = open(temporary.string().c_str(), O_WRONLY | O_CREAT | O_EXCL | kBinary, kNewFileMode);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = "cannot create a temporary file beside " + target.string() + ": " +
             SystemReason(errno);
    return false;
  }

  std::string reason;
  bool ok = WriteAll(fd, bytes, &reason);
  if (ok && SyncToDisk(fd) != 0) {
    reason = SystemReason(errno);
    ok = false;
  }
  if (close(fd) != 0 && ok) {
    reason = SystemReason(errno);
    ok = false;
  }
  if (ok) {
    fs::permissions(temporary, perms, fs::perm_options::replace, ec);
    if (ec) {
      reason = "cannot set its permissions: " + ec.message();
      ok = false;
    }
  }
  if (!ok) {
    *error = "cannot write " + temporary.string() + ": " + reason;
  } else if (!RenameOver(temporary, target, &reason)) {
    *error = "cannot rename " + temporary.string() + " over " + target.string() + ": " + reason;
    ok = false;
  }
  if (!ok) fs::remove(temporary, ec);
  return ok;
}

}  // namespace customize
