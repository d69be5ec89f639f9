// The registration helpers through the built library: OEM file names in the system folder,
// network card numbers, the product key and the event log's list of sources.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "host_table.h"
#include "registry_fixture.h"
#include "registry_keys.h"
#include "test_system.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

typedef int(WINAPI* HostExport)(HostCallParams*);

const char kCards[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";
const char kProduct[] = "SOFTWARE\\Ombrel\\kmdm";
const char kEventLog[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System";

std::string Value(HostTable& table, const char* name) {
  char value[kScriptValueSize];
  GetScriptVar(table.params(), name, value);
  return value;
}

bool MakeFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  return CloseHandle(file) != FALSE;
}

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(install_.module(), nullptr) << GetLastError();
#ifndef _WIN32
    keysBefore_ = winsim::OpenCount(winsim::Resource::RegistryKey);
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keysBefore_) << "a key stayed open";
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::File), 0) << "a file stayed open";
#endif
  }
  int Call(const char* name, HostTable& table) {
    HostExport function = install_.Export<HostExport>(name);
    EXPECT_NE(function, nullptr) << name;
    return function == nullptr ? -1 : function(table.params());
  }

  LoadedInstall install_;
  ScratchFolder scratch_;
  int keysBefore_ = 0;
};

TEST_F(Registration, OemNameIsTheFirstNumberWithoutAFile) {
  struct Case {
    std::vector<int> present;
    const char* expected;
  } cases[] = {
      {{}, "oemnad0.inf"},
      {{0, 1, 3}, "oemnad2.inf"},  // a later file does not matter
      {{1}, "oemnad0.inf"},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    std::string folder = "sys" + std::to_string(row);
    ASSERT_TRUE(scratch_.MakeFolder(folder));
    for (int number : cases[row].present) {
      ASSERT_TRUE(MakeFile(scratch_.Path(folder + "\\oemnad" + std::to_string(number) + ".inf")));
    }
    HostTable table(4);
    SetScriptVar(table.params(), "SYS32", scratch_.Path(folder).c_str());
    EXPECT_EQ(Call("GetOEMName", table), 1) << "row " << row;
    EXPECT_EQ(Value(table, "OEMTARGET"), cases[row].expected) << "row " << row;
    for (int number : cases[row].present) {
      DeleteFileA(scratch_.Path(folder + "\\oemnad" + std::to_string(number) + ".inf").c_str());
    }
  }
}

TEST_F(Registration, OemNameInAFullTableIsNotStored) {
  HostTable table(1);
  SetScriptVar(table.params(), "SYS32", scratch_.Base().c_str());
  EXPECT_EQ(Call("GetOEMName", table), 0);
  EXPECT_EQ(table.params()->count, 1u);
}

#ifndef _WIN32
// Natively only: ten thousand files in one folder take minutes under Wine.
TEST_F(Registration, OemNameSearchStopsAfterNumber9999) {
  ASSERT_TRUE(scratch_.MakeFolder("full"));
  std::string host = winsim::HostPath(scratch_.Path("full").c_str());
  for (int number = 0; number <= 9999; ++number) {
    FILE* file = fopen((host + "/oemnad" + std::to_string(number) + ".inf").c_str(), "w");
    ASSERT_NE(file, nullptr);
    fclose(file);
  }
  HostTable table(4);
  SetScriptVar(table.params(), "SYS32", scratch_.Path("full").c_str());
  EXPECT_EQ(Call("GetOEMName", table), 0);
  EXPECT_EQ(Value(table, "OEMTARGET"), "");
}
#endif

// Wine fills the network cards key from the host's own network at every session start, so
// the cases build on the first number free there, whatever it is.
TEST_F(Registration, NetNumberIsTheFirstFreeCardNumber) {
  HostTable table(4);
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, kCards));
  ASSERT_EQ(Call("GetNetNumber", table), 1);
  int first = atoi(Value(table, "NETNUMBER").c_str());
  ASSERT_GE(first, 1);
  std::string next = std::to_string(first);
  std::string afterNext = std::to_string(first + 1);
  std::string gap = std::to_string(first + 3);
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\" + next));
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\" + afterNext));
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\" + gap));
  EXPECT_EQ(Call("GetNetNumber", table), 1);
  EXPECT_EQ(Value(table, "NETNUMBER"), std::to_string(first + 2));
  for (const std::string& key : {next, afterNext, gap}) {
    EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\" + key), ERROR_SUCCESS);
  }
}

#ifndef _WIN32
// Natively only: Wine recreates the network cards key at every session start.
TEST_F(Registration, NetNumberWithoutTheKeyOrPast999WritesNothing) {
  HostTable table(4);
  EXPECT_EQ(Call("GetNetNumber", table), 0);
  EXPECT_EQ(table.params()->count, 0u);
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, kCards));
  EXPECT_EQ(Call("GetNetNumber", table), 1);
  EXPECT_EQ(Value(table, "NETNUMBER"), "1");
  for (int number = 1; number <= 999; ++number) {
    ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\" + std::to_string(number)));
  }
  EXPECT_EQ(Call("GetNetNumber", table), 0);
  EXPECT_EQ(Value(table, "NETNUMBER"), "1");
}
#endif

TEST_F(Registration, InstalledWhenTheProductKeyExists) {
  DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, kProduct);
  HostTable table(4);
  EXPECT_EQ(Call("IsLumdexInstalled", table), 0);
  EXPECT_EQ(Value(table, "ISINSTALLED"), "FALSE");
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kProduct) + "\\CurrentVersion"));
  EXPECT_EQ(Call("IsLumdexInstalled", table), 0);
  EXPECT_EQ(Value(table, "ISINSTALLED"), "TRUE");
  EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ombrel"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Ombrel"));
}

// The event log's list, as bytes. Wine's own holds a single NUL.
class EventSources : public Registration {
 protected:
  void SetUp() override {
    Registration::SetUp();
    hadList_ = ReadValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", &savedList_, &savedType_);
  }
  void TearDown() override {
    if (hadList_) {
      EXPECT_TRUE(SetValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", savedType_, savedList_));
    }
    Registration::TearDown();
  }
  bool hadList_ = false;
  std::string savedList_;
  DWORD savedType_ = REG_MULTI_SZ;
};

TEST_F(EventSources, NameIsAddedUnlessPartOfAnEntry) {
  using std::string;
  const string listed("System\0Serial\0kmdmA\0\0", 21);
  struct Case {
    const char* name;
    string before;
    string after;
  } cases[] = {
      {"kmdmA", listed, listed},
      {"kmdm", listed, listed},  // part of the entry kmdmA
      {"", listed, listed},      // the empty text is part of every entry
      {"kmdmA", string("System\0Serial\0\0", 15), string("System\0Serial\0kmdmA\0\0", 21)},
      {"kmdmA", string("\0", 1), string("kmdmA\0\0", 7)},
      // Lists not closed by two NULs are read as the entries they hold.
      {"kmdmA", string("System\0Serial\0", 14), string("System\0Serial\0kmdmA\0\0", 21)},
      {"kmdmA", string("System\0Ser", 10), string("System\0Ser\0kmdmA\0\0", 18)},
      {"Serial", string("System\0Ser", 10), string("System\0Ser\0Serial\0\0", 19)},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    ASSERT_TRUE(SetValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", REG_MULTI_SZ, c.before)) << "row " << row;
    HostTable table(4);
    SetScriptVar(table.params(), "DRIVERNAMEA", c.name);
    EXPECT_EQ(Call("SetupMessages", table), 1) << "row " << row;
    string after;
    DWORD type = 0;
    ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", &after, &type)) << "row " << row;
    EXPECT_EQ(after, c.after) << "row " << row;
    EXPECT_EQ(type, DWORD(REG_MULTI_SZ)) << "row " << row;
  }
}

TEST_F(EventSources, MissingListIsAFailureAndStaysMissing) {
  HKEY log = nullptr;
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, kEventLog));
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEventLog, 0, KEY_ALL_ACCESS, &log), ERROR_SUCCESS);
  RegDeleteValueA(log, "Sources");
  RegCloseKey(log);
  HostTable table(4);
  SetScriptVar(table.params(), "DRIVERNAMEA", "kmdmA");
  EXPECT_EQ(Call("SetupMessages", table), 0);
  std::string bytes;
  EXPECT_FALSE(ReadValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", &bytes));
}

#ifndef _WIN32
// Natively only, as failures are injected: every registry and file call of each export fails
// in turn, and whatever the step, nothing stays open.
TEST_F(EventSources, InjectedFailuresLeaveNothingOpen) {
  ASSERT_TRUE(SetValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", REG_MULTI_SZ, std::string("System\0\0", 8)));
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\1"));
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, std::string(kProduct)));
  const char* operations[] = {"RegOpenKeyExA", "RegQueryValueExA", "RegSetValueExA", "CreateFileA"};
  const char* exports[] = {"GetOEMName", "GetNetNumber", "IsLumdexInstalled", "SetupMessages"};
  for (const char* exported : exports) {
    for (const char* operation : operations) {
      for (int nth = 1; nth <= 6; ++nth) {
        winsim::FailCall(operation, nth, ERROR_ACCESS_DENIED);
        HostTable table(8);
        SetScriptVar(table.params(), "SYS32", scratch_.Base().c_str());
        SetScriptVar(table.params(), "DRIVERNAMEA", "kmdmA");
        Call(exported, table);
        winsim::ClearFaults();
        EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keysBefore_)
            << exported << " with " << operation << " #" << nth;
        EXPECT_EQ(winsim::OpenCount(winsim::Resource::File), 0) << exported << " with " << operation << " #" << nth;
      }
    }
  }
}

// Each registry step of SetupMessages that fails makes it report 0 and leaves the list alone:
// the opens of SYSTEM and of each component below it, both reads and the write.
TEST_F(EventSources, FailedStepIsReportedAndWritesNothing) {
  const std::string list("System\0Serial\0\0", 15);
  struct Case {
    const char* operation;
    int nth;
  } cases[] = {
      {"RegOpenKeyExA", 1}, {"RegOpenKeyExA", 2}, {"RegOpenKeyExA", 5},
      {"RegQueryValueExA", 1}, {"RegQueryValueExA", 2}, {"RegSetValueExA", 1},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", REG_MULTI_SZ, list));
    winsim::FailCall(c.operation, c.nth, ERROR_ACCESS_DENIED);
    HostTable table(4);
    SetScriptVar(table.params(), "DRIVERNAMEA", "kmdmA");
    EXPECT_EQ(Call("SetupMessages", table), 0) << c.operation << " #" << c.nth;
    winsim::ClearFaults();
    std::string bytes;
    ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, kEventLog, "Sources", &bytes));
    EXPECT_EQ(bytes, list) << c.operation << " #" << c.nth;
  }
}
#endif

}  // namespace
