#include "registry_fixture.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <vector>

#ifndef _WIN32
#include "winsim.h"
#endif

const char kTestKeysPath[] = "Software\\WinsimTests";

namespace {

std::string RunningTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info == nullptr) return "NoTest";
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name) {
    if (c == '/' || c == '.') c = '_';  // parameterised names carry slashes
  }
  return name;
}

}  // namespace

std::string RegFixtureFolder() {
#ifdef _WIN32
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string program(path, length < sizeof path ? length : 0);
  return program.substr(0, program.rfind('\\') + 1) + "fixtures";
#else
  std::string here = __FILE__;  // tests/support/registry_fixture.cpp
  std::string tests = here.substr(0, here.rfind('/'));
  return tests.substr(0, tests.rfind('/')) + "/fixtures";
#endif
}

bool ImportRegFixture(const std::string& name) {
#ifdef _WIN32
  std::string file = RegFixtureFolder() + "\\" + name;
  // The system's own reg.exe by its full path: a bare "reg" would find any reg.exe in the
  // program's folder or the current one first.
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, sizeof system);
  if (length == 0 || length >= sizeof system) return false;
  std::string command = "\"" + std::string(system) + "\\reg.exe\" import \"" + file + "\"";
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, system, &startup,
                      &process)) {
    fprintf(stderr, "%s: cannot start reg.exe (%lu)\n", name.c_str(), GetLastError());
    return false;
  }
  DWORD exitCode = 1;
  bool finished = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
                  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!finished || exitCode != 0) {
    fprintf(stderr, "%s: reg import failed (exit %lu)\n", name.c_str(), exitCode);
    return false;
  }
  return true;
#else
  std::string error;
  if (!winsim::ImportRegFile(RegFixtureFolder() + "/" + name, &error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  return true;
#endif
}

LONG DeleteKeyTreeBottomUp(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  // The names first, then the deletions: deleting while enumerating would shift the indexes.
  std::vector<std::string> children;
  for (DWORD index = 0;; ++index) {
    char name[256];  // a key name is at most 255 characters
    DWORD length = sizeof name;
    status = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    children.emplace_back(name, length);
  }
  RegCloseKey(key);
  if (status != ERROR_NO_MORE_ITEMS) return status;
  for (const std::string& child : children) {
    status = DeleteKeyTreeBottomUp(root, path + "\\" + child);
    if (status != ERROR_SUCCESS) return status;
  }
  return RegDeleteKeyA(root, path.c_str());
}

bool KeyIsPresent(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TestKey::TestKey() : TestKey(RunningTestName()) {}

TestKey::TestKey(const std::string& name) : path_(std::string(kTestKeysPath) + "\\" + name) {
  EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, path_), ERROR_SUCCESS) << path_;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key_, nullptr),
            ERROR_SUCCESS)
      << path_;
}

TestKey::~TestKey() {
  if (key_ != nullptr) RegCloseKey(key_);
  EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, path_), ERROR_SUCCESS) << path_;
  EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, path_)) << path_ << " is still there";
  // The common parent goes too once no test has a key there; refused while one has.
  RegDeleteKeyA(HKEY_CURRENT_USER, kTestKeysPath);
}
