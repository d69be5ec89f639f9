// Registry fixtures for tests on both builds: .reg files from tests/fixtures, and a key of the
// test's own under HKEY_CURRENT_USER\Software\WinsimTests, so nothing of the Wine prefix is
// touched and a test starts and ends without its keys.
#pragma once

#include <windows.h>

#include <string>

// Imports tests/fixtures/<name>: natively through winsim::ImportRegFile, under Wine by running
// the system's reg.exe ("reg import"), so the fixture is read by a registry editor that nobody
// here wrote. False, with a message on standard error, when the import fails.
bool ImportRegFixture(const std::string& name);

// The fixture folder: tests/fixtures of the sources natively, "fixtures" beside the test program
// under Wine (the runner copies it there).
std::string RegFixtureFolder();

// Deletes `path` below `root` and every key under it, deepest first, with RegDeleteKeyA.
// ERROR_SUCCESS when the key is gone afterwards, also when it was never there.
LONG DeleteKeyTreeBottomUp(HKEY root, const std::string& path);
bool KeyIsPresent(HKEY root, const std::string& path);

// Where the tests' own keys live, below HKEY_CURRENT_USER.
extern const char kTestKeysPath[];

// HKEY_CURRENT_USER\Software\WinsimTests\<name>: deleted with everything below it when made
// and again when destroyed, and open with KEY_ALL_ACCESS in between.
class TestKey {
 public:
  // Named after the running test: "<suite>.<test>" with the dots as underscores.
  TestKey();
  explicit TestKey(const std::string& name);
  ~TestKey();
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  // The path below HKEY_CURRENT_USER, and the path of a subkey of it.
  const std::string& Path() const { return path_; }
  std::string Path(const std::string& subkey) const { return path_ + "\\" + subkey; }
  HKEY Handle() const { return key_; }

 private:
  std::string path_;
  HKEY key_ = nullptr;
};
