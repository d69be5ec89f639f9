// Paths on the simulated drives. Windows compares file names without regard to case and knows
// each long name also by an 8.3 short name; the host file system knows neither, so both are
// worked out here from the folder's listing.
#include "drive_paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "winsim.h"

namespace winsim {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsShortNameChar(unsigned char c) {
  if (c >= 0x80 || isalnum(c)) return true;
  for (const char* p = "!#$%&'()-@^_`{}~"; *p != '\0'; ++p) {
    if (c == static_cast<unsigned char>(*p)) return true;
  }
  return false;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// The characters of `text` that a short name may hold, upper case; others become "_" except
// blanks and dots, which are dropped.
std::string ShortNameChars(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == ' ' || c == '.') continue;
    out += IsShortNameChar(c) ? static_cast<char>(toupper(c)) : '_';
  }
  return out;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  // Numbers are handed out in name order, so a folder's short names do not depend on the order
  // the host lists it in.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

// Short names of every entry of a folder, in the order of FolderEntries.
std::vector<std::string> FolderShortNames(const std::vector<std::string>& entries) {
  std::set<std::string> taken;
  for (const std::string& name : entries) {
    if (IsShortName(name)) taken.insert(Upper(name));
  }
  std::vector<std::string> shortNames;
  for (const std::string& name : entries) {
    if (IsShortName(name)) {
      shortNames.push_back(name);
      continue;
    }
    size_t dot = name.rfind('.');
    bool hasExtension = dot != std::string::npos && dot != 0;
    std::string base = ShortNameChars(hasExtension ? name.substr(0, dot) : name);
    std::string extension = hasExtension ? ShortNameChars(name.substr(dot + 1)).substr(0, 3) : "";
    if (base.empty()) base = "_";
    std::string candidate;
    for (int number = 1;; ++number) {
      std::string tail = "~" + std::to_string(number);
      candidate = base.substr(0, 8 - tail.size()) + tail;
      if (!extension.empty()) candidate += "." + extension;
      if (taken.insert(candidate).second) break;
    }
    shortNames.push_back(candidate);
  }
  return shortNames;
}

// The host name of the entry of `folder` that `wanted` names: its exact name, its name in
// another case, or its short name. Cheapest first, since most lookups give the name as stored.
std::string FindEntry(const std::string& folder, const std::string& wanted) {
  struct stat info;
  if (lstat((folder + "/" + wanted).c_str(), &info) == 0) return wanted;
  std::vector<std::string> entries = FolderEntries(folder);
  for (const std::string& entry : entries) {
    if (strcasecmp(entry.c_str(), wanted.c_str()) == 0) return entry;
  }
  std::vector<std::string> shortNames = FolderShortNames(entries);
  for (size_t j = 0; j < entries.size(); ++j) {
    if (strcasecmp(shortNames[j].c_str(), wanted.c_str()) == 0) return entries[j];
  }
  return "";
}

}  // namespace

bool SplitWindowsPath(const char* text, WindowsPath* path) {
  if (text == nullptr || !isalpha(static_cast<unsigned char>(text[0])) || text[1] != ':' ||
      !IsSeparator(text[2])) {
    return false;
  }
  path->drive.assign(text, 2);
  path->components.clear();
  std::string component;
  for (const char* p = text + 2;; ++p) {
    if (*p == '\0' || IsSeparator(*p)) {
      // As Windows does: "." is the folder itself, ".." the one above but never above the root,
      // so no path leaves the simulated drive.
      if (component == "..") {
        if (!path->components.empty()) path->components.pop_back();
      } else if (!component.empty() && component != ".") {
        path->components.push_back(component);
      }
      component.clear();
      if (*p == '\0') break;
    } else {
      component += *p;
    }
  }
  size_t length = std::char_traits<char>::length(text);
  path->trailingSeparator = length > 3 && IsSeparator(text[length - 1]);
  return true;
}

bool IsShortName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  size_t dot = name.find('.');
  if (dot != name.rfind('.')) return false;
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (dot != std::string::npos && extension.empty()) return false;
  for (unsigned char c : base + extension) {
    if (!IsShortNameChar(c)) return false;
  }
  return true;
}

std::string ShortNameOf(const std::string& folder, const std::string& name) {
  std::vector<std::string> entries = FolderEntries(folder);
  std::vector<std::string> shortNames = FolderShortNames(entries);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == name) return shortNames[i];
  }
  return name;
}

std::string DriveFolder(const std::string& drive) {
  if (drive.size() != 2 || toupper(static_cast<unsigned char>(drive[0])) != 'C') return "";
  return SystemRoot() + "/c";
}

DWORD ResolvePath(const WindowsPath& path, ResolvedPath* resolved) {
  std::string folder = DriveFolder(path.drive);
  if (folder.empty()) return ERROR_PATH_NOT_FOUND;
  resolved->entries.clear();
  resolved->folders.clear();
  for (size_t i = 0; i < path.components.size(); ++i) {
    const std::string& wanted = path.components[i];
    std::string match = FindEntry(folder, wanted);
    bool last = i + 1 == path.components.size();
    if (match.empty()) return last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    resolved->folders.push_back(folder);
    resolved->entries.push_back(match);
    folder += "/" + match;
    struct stat info;
    if (!last && (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
      return ERROR_PATH_NOT_FOUND;
    }
  }
  resolved->host = folder;
  return ERROR_SUCCESS;
}

std::string HostPath(const char* windowsPath) {
  WindowsPath path;
  ResolvedPath resolved;
  if (!SplitWindowsPath(windowsPath, &path) || ResolvePath(path, &resolved) != ERROR_SUCCESS) {
    return "";
  }
  return resolved.host;
}

}  // namespace winsim
