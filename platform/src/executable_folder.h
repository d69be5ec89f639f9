// The folder of the running program, where Windows looks first for a DLL and where the
// simulated system lives by default.
#pragma once

#include <string>

namespace winsim {
std::string ExecutableFolder();
}
