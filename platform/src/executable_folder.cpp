#include "executable_folder.h"

#include <unistd.h>

namespace winsim {

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  path[length] = '\0';
  std::string text = path;
  return text.substr(0, text.rfind('/'));
}

}  // namespace winsim
