// The identity exports, called through the built library by their plain names as the host and
// the uninstaller call them.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "host_table.h"
#include "test_system.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

typedef int(WINAPI* HostExport)(HostCallParams*);
typedef int(WINAPI* QueryExport)(char*, DWORD*);
typedef std::vector<std::pair<std::string, std::string>> Variables;

class IdentityExports : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(install_.module(), nullptr) << GetLastError(); }

  HostExport Host(const char* name) {
    HostExport function = install_.Export<HostExport>(name);
    EXPECT_NE(function, nullptr) << name;
    return function;
  }
  QueryExport Query(const char* name) {
    QueryExport function = install_.Export<QueryExport>(name);
    EXPECT_NE(function, nullptr) << name;
    return function;
  }

  LoadedInstall install_;
};

TEST_F(IdentityExports, PublishCustomizationValuesInOrder) {
  struct Case {
    const char* name;
    int result;
    Variables published;
  } cases[] = {
      {"GetNames", 1,
       {{"MDMTARGET", "mdmobra.inf"}, {"DLLTARGET", "obrcnfg.dll"}, {"MODEMNAME", "Kelo MQX 56"},
        {"MAINDIR", "Kelo MQX 56"}}},
      {"SetAppTitle", 0, {{"APPTITLE", "Kelo MQX/56"}}},
      {"GetCardLabel", 0, {{"CARDLABEL", "kmdm"}, {"LONGCARDNAME", "Kelo MQX/56"}}},
      {"GetManStuff", 0, {{"SHORTMANNAME", "Ombrel"}, {"LONGMANNAME", "Ombrel"}}},
      {"SetDriverName", 0, {{"DRIVERNAME", "kmdm"}, {"DRIVERNAMEA", "kmdmA"}}},
      {"GetDate", 0, {{"INST_VERSION", "3.5"}}},
  };
  for (const Case& c : cases) {
    HostTable table(16);
    HostExport function = Host(c.name);
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function(table.params()), c.result) << c.name;
    EXPECT_EQ(table.Entries(), c.published) << c.name;
    // A second call replaces the values in place instead of appending again.
    EXPECT_EQ(function(table.params()), c.result) << c.name;
    EXPECT_EQ(table.Entries(), c.published) << c.name;
    EXPECT_TRUE(table.GuardsIntact()) << c.name;
  }
}

TEST_F(IdentityExports, FullTableKeepsTheResultAndDropsWhatDoesNotFit) {
  HostTable table(2);
  EXPECT_EQ(Host("GetNames")(table.params()), 1);
  EXPECT_EQ(table.Entries(), (Variables{{"MDMTARGET", "mdmobra.inf"}, {"DLLTARGET", "obrcnfg.dll"}}));

  HostTable none(0);
  EXPECT_EQ(Host("GetDate")(none.params()), 0);
  EXPECT_EQ(none.params()->count, 0u);
}

TEST_F(IdentityExports, QueriesFollowTheSizeContract) {
  struct Case {
    const char* name;
    DWORD capacity;
    int result;
    DWORD size;
    const char* text;  // null where the buffer must stay untouched
  } cases[] = {
      {"GetModemName2", 12, 1, 12, "Kelo MQX 56"},
      {"GetModemName2", 11, 0, 12, nullptr},
      {"GetModemName2", 128, 1, 12, "Kelo MQX 56"},
      {"GetCardName2", 0, 0, 12, nullptr},
      {"GetCardName2", 12, 1, 12, "Kelo MQX/56"},
      {"GetRegPath2", 256, 1, 36, "SOFTWARE\\Ombrel\\kmdm\\CurrentVersion"},
      {"GetRegPath2", 36, 1, 36, "SOFTWARE\\Ombrel\\kmdm\\CurrentVersion"},
      {"GetRegPath2", 35, 0, 36, nullptr},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    char buffer[300];
    memset(buffer, '#', sizeof buffer);
    DWORD size = c.capacity;
    EXPECT_EQ(Query(c.name)(buffer, &size), c.result) << "row " << row;
    EXPECT_EQ(size, c.size) << "row " << row;
    if (c.text != nullptr) {
      EXPECT_STREQ(buffer, c.text) << "row " << row;
      EXPECT_EQ(buffer[strlen(c.text) + 1], '#') << "row " << row << ": wrote past the text";
    } else {
      EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#')) << "row " << row;
    }
  }
}

TEST_F(IdentityExports, QueryWithoutSizeOrBufferAnswersSafely) {
  char buffer[64];
  EXPECT_EQ(Query("GetModemName2")(buffer, nullptr), 0);
  DWORD size = 64;
  EXPECT_EQ(Query("GetRegPath2")(nullptr, &size), 0);
  EXPECT_EQ(size, 36u);
}

class ShortPath : public IdentityExports {
 protected:
  std::string Run(const std::string& mainDir) {
    HostTable table(4);
    SetScriptVar(table.params(), "MAINDIR", mainDir.c_str());
    EXPECT_EQ(Host("GetShortPath")(table.params()), 1);
    EXPECT_EQ(table.params()->count, 1u);
    char value[kScriptValueSize];
    GetScriptVar(table.params(), "MAINDIR", value);
    return value;
  }
  ScratchFolder scratch_;
};

TEST_F(ShortPath, LongFolderNameBecomesItsShortForm) {
  ASSERT_TRUE(scratch_.MakeFolder("Kelo MQX 56 Program Files"));
  std::string converted = Run(scratch_.Path("Kelo MQX 56 Program Files"));
  std::string leaf = converted.substr(converted.rfind('\\') + 1);
  EXPECT_EQ(converted.substr(0, scratch_.Base().size() + 1), scratch_.Base() + "\\");
  EXPECT_LE(leaf.size(), 8u) << converted;
  EXPECT_EQ(leaf.find(' '), std::string::npos) << converted;
  EXPECT_NE(GetFileAttributesA(converted.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << converted;
}

TEST_F(ShortPath, UnconvertibleFolderKeepsItsLongForm) {
  std::string missing = scratch_.Path("No Such Folder Here");
  EXPECT_EQ(Run(missing), missing);
  EXPECT_EQ(Run(""), "");
}

#ifndef _WIN32
// Natively only: the conversion's own failure is injected, which Wine cannot be made to do.
TEST_F(ShortPath, FailedConversionKeepsTheLongForm) {
  ASSERT_TRUE(scratch_.MakeFolder("Kelo MQX 56 Program Files"));
  winsim::FailCall("GetShortPathNameA", 1, ERROR_ACCESS_DENIED);
  std::string folder = scratch_.Path("Kelo MQX 56 Program Files");
  EXPECT_EQ(Run(folder), folder);
  winsim::ClearFaults();
}
#endif

}  // namespace
