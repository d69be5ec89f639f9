// Natively every test starts on a fresh simulated system of its own: an empty registry in memory
// and a new folder for drive C:, removed again after the test. No injected fault outlives the
// test that set it. Under Wine the tests share the prefix and clean up their own keys.
#ifndef _WIN32
#include <ftw.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "winsim.h"

namespace {

class FreshSystem : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    char pattern[] = "/tmp/winsim-fresh.XXXXXX";
    const char* made = mkdtemp(pattern);
    folder_ = made != nullptr ? made : "";
    winsim::ClearFaults();
    if (!folder_.empty()) winsim::ResetSystem(folder_);
  }

  void OnTestEnd(const ::testing::TestInfo&) override {
    winsim::ClearFaults();
    if (folder_.empty()) return;
    nftw(
        folder_.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
    folder_.clear();
  }

  std::string folder_;
};

const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSystem);
  return true;
}();

}  // namespace
#endif
