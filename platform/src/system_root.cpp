// Where the simulated system lives on the host.
#include <stdlib.h>
#include <sys/stat.h>

#include "winsim.h"

namespace winsim {
namespace {

std::string& Root() {
  static std::string root;
  return root;
}

void MakeFolder(const std::string& folder) { mkdir(folder.c_str(), 0755); }

}  // namespace

void SetSystemRoot(const std::string& folder) {
  Root() = folder;
  MakeFolder(folder);
  MakeFolder(folder + "/c");
}

const std::string& SystemRoot() {
  if (Root().empty()) {
    const char* fromEnvironment = getenv("WINSIM_ROOT");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
      SetSystemRoot(fromEnvironment);
    } else {
      char pattern[] = "/tmp/winsim.XXXXXX";
      const char* made = mkdtemp(pattern);
      SetSystemRoot(made != nullptr ? made : "/tmp/winsim");
    }
  }
  return Root();
}

}  // namespace winsim
