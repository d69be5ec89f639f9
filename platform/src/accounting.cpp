// Counts of open simulated resources, and injected failures.
#include <map>
#include <string>

#include "winsim.h"

namespace winsim {
namespace {

int openCounts[static_cast<int>(Resource::Count)];

struct Fault {
  int remaining;  // calls still to pass before the one that fails
  DWORD error;
};
std::map<std::string, Fault>& Faults() {
  static std::map<std::string, Fault> faults;
  return faults;
}

}  // namespace

int OpenCount(Resource resource) { return openCounts[static_cast<int>(resource)]; }
void CountOpened(Resource resource) { ++openCounts[static_cast<int>(resource)]; }
void CountClosed(Resource resource) { --openCounts[static_cast<int>(resource)]; }

void FailCall(const std::string& operation, int nth, DWORD error) {
  Faults()[operation] = Fault{nth - 1, error};
}

void ClearFaults() { Faults().clear(); }

bool ShouldFail(const char* operation, DWORD* error) {
  auto found = Faults().find(operation);
  if (found == Faults().end()) return false;
  if (found->second.remaining > 0) {
    --found->second.remaining;
    return false;
  }
  *error = found->second.error;
  Faults().erase(found);
  return true;
}

}  // namespace winsim
