// OpenKeyPath on 8-bit and 16-bit texts: component by component, nothing left open on any path.
#include <gtest/gtest.h>

#include <string>

#include "open_key_path.h"
#include "registry_fixture.h"
#include "registry_keys.h"
#include "wide_text.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

const char kBase[] = "Software\\WinsimTests\\OpenKeyPath";

class OpenKeyPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, kBase);
    ASSERT_TRUE(SetStringA(HKEY_CURRENT_USER, std::string(kBase) + "\\a\\b", "Mark", "deep"));
#ifndef _WIN32
    keysBefore_ = winsim::OpenCount(winsim::Resource::RegistryKey);
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keysBefore_) << "a key stayed open";
#endif
    EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, kBase), ERROR_SUCCESS);
    EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, kBase));
  }
  int keysBefore_ = 0;
};

// The key opened is the right one: it holds the value set on it.
std::string MarkOf(HKEY key) {
  char value[16] = "";
  DWORD size = sizeof value - 1;
  if (RegQueryValueExA(key, "Mark", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
    return "(none)";
  }
  value[size] = '\0';
  return value;
}

TEST_F(OpenKeyPathTest, OpensEachFormOfAPath) {
  const char* paths[] = {
      "Software\\WinsimTests\\OpenKeyPath\\a\\b",
      "Software\\\\WinsimTests\\OpenKeyPath\\\\a\\b",  // doubled backslashes: empty components
      "\\Software\\WinsimTests\\OpenKeyPath\\a\\b",    // a leading backslash likewise
  };
  for (const char* path : paths) {
    HKEY key = nullptr;
    ASSERT_EQ(OpenKeyPath(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_SUCCESS) << path;
    EXPECT_EQ(MarkOf(key), "deep") << path;
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << path;
  }
}

TEST_F(OpenKeyPathTest, WideFormOpensTheSameKey) {
  HKEY key = nullptr;
  ASSERT_EQ(OpenKeyPath(HKEY_CURRENT_USER, WTEXT("Software\\WinsimTests\\OpenKeyPath\\a\\b"), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(MarkOf(key), "deep");
  RegCloseKey(key);
  EXPECT_EQ(OpenKeyPath(HKEY_CURRENT_USER, WTEXT("Software\\WinsimTests\\OpenKeyPath\\x\\b"), 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(OpenKeyPathTest, FailedOpenReportsItsCodeAndLeavesTheRootOpen) {
  HKEY root = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &root), ERROR_SUCCESS);
  const char* missing[] = {"missing", "missing\\b", "a\\missing\\c", "a\\b\\missing"};
  for (const char* path : missing) {
    HKEY key = reinterpret_cast<HKEY>(0x5A5A);
    EXPECT_EQ(OpenKeyPath(root, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND) << path;
    EXPECT_EQ(key, reinterpret_cast<HKEY>(0x5A5A)) << path;
  }
  // The root is still usable, and is the caller's to close.
  HKEY child = nullptr;
  EXPECT_EQ(OpenKeyPath(root, "a", 0, KEY_READ, &child), ERROR_SUCCESS);
  RegCloseKey(child);
  EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
}

TEST_F(OpenKeyPathTest, MalformedPathsAreRefusedBeforeAnyOpen) {
  std::string longest(255, 'k');
  std::string tooLong(256, 'k');
  struct Case {
    std::string path;
    LONG status;
  } cases[] = {
      {"", ERROR_INVALID_PARAMETER},
      {"a\\", ERROR_INVALID_PARAMETER},
      {"a\\b\\\\", ERROR_INVALID_PARAMETER},
      {"a\\" + tooLong, ERROR_INVALID_PARAMETER},
      {tooLong + "\\a", ERROR_INVALID_PARAMETER},
      {"a\\" + longest, ERROR_FILE_NOT_FOUND},  // fits: opened, and simply not there
  };
  HKEY root = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &root), ERROR_SUCCESS);
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    HKEY key = reinterpret_cast<HKEY>(0x5A5A);
    EXPECT_EQ(OpenKeyPath(root, cases[row].path.c_str(), 0, KEY_READ, &key), cases[row].status) << "row " << row;
    EXPECT_EQ(key, reinterpret_cast<HKEY>(0x5A5A)) << "row " << row;
  }
  EXPECT_EQ(OpenKeyPath(root, static_cast<const char*>(nullptr), 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  RegCloseKey(root);
}

#ifndef _WIN32
// Natively only: a failure injected at each open in turn, which Wine cannot be made to do.
TEST_F(OpenKeyPathTest, InjectedFailureAtEachComponentClosesEverything) {
  for (int nth = 1; nth <= 5; ++nth) {
    winsim::FailCall("RegOpenKeyExA", nth, ERROR_ACCESS_DENIED);
    HKEY key = nullptr;
    EXPECT_EQ(OpenKeyPath(HKEY_CURRENT_USER, "Software\\WinsimTests\\OpenKeyPath\\a\\b", 0, KEY_READ, &key),
              ERROR_ACCESS_DENIED)
        << nth;
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keysBefore_) << nth;
    winsim::ClearFaults();
  }
}
#endif

}  // namespace
