// Loading the install library by name and finding its exports by plain name, on both builds.
#include <gtest/gtest.h>

#include "test_system.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

const char* const kExports[] = {
    "GetNames",      "SetAppTitle",  "GetCardLabel", "GetManStuff",       "SetDriverName",
    "GetDate",       "GetShortPath", "GetOEMName",   "GetNetNumber",      "IsLumdexInstalled",
    "SetupMessages", "InstallModems", "GetModemName2", "GetCardName2", "GetRegPath2",
};

TEST(Modules, EveryExportIsFoundByItsPlainNameOnly) {
  LoadedInstall install;
  ASSERT_NE(install.module(), nullptr) << GetLastError();
  for (const char* name : kExports) {
    EXPECT_NE(GetProcAddress(install.module(), name), nullptr) << name;
  }
  // stdcall decorations must not leak into the export table.
  for (const char* name : {"_GetNames@4", "GetNames@4", "_GetRegPath2@8"}) {
    SetLastError(kSentinel);
    EXPECT_EQ(GetProcAddress(install.module(), name), nullptr) << name;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND)) << name;
  }
}

// The device installer is loaded by name at run time, as a library that NT 4.0 lacks.
TEST(Modules, SystemLibraryLoadsByNameWithItsFunctions) {
  HMODULE setupapi = LoadLibraryA("setupapi.dll");
  ASSERT_NE(setupapi, nullptr) << GetLastError();
  for (const char* name : {"SetupDiCreateDeviceInfoList", "SetupDiCallClassInstaller", "SetupDiOpenDevRegKey"}) {
    EXPECT_NE(GetProcAddress(setupapi, name), nullptr) << name;
  }
  SetLastError(kSentinel);
  EXPECT_EQ(GetProcAddress(setupapi, "SetupDiNoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(setupapi));
}

TEST(Modules, MissingLibraryIsReported) {
  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryA("no_such_library_here.dll"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(Modules, LoadingTwiceGivesTheSameModule) {
  HMODULE first = LoadLibraryA("install.dll");
  HMODULE second = LoadLibraryA("install.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(FreeLibrary(second));
  // Still loaded: the first reference holds it.
  EXPECT_NE(GetProcAddress(first, "GetDate"), nullptr);
  EXPECT_TRUE(FreeLibrary(first));
#ifndef _WIN32
  EXPECT_EQ(winsim::OpenCount(winsim::Resource::Module), 0);
#endif
}

}  // namespace
