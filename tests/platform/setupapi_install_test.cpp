// The simulated device installer beyond what Wine can confirm: choosing a driver from the class
// driver list and the modem class installer. Sim only: Wine 8 builds no class driver list
// without a device, cannot select a driver (SetupDiSetSelectedDriverW is a stub that ends the
// process) and has no modem class installer.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "registry_fixture.h"
#include "registry_keys.h"
#include "setupapi_fixture.h"

namespace {

using namespace setupapi_test;

const char kProvider[] = "Ombrel \xC9lectronique";
const char kKelo56Responses[] = "Kelo MQX 56#Ombrel#Ombrel \xC9lectronique";

SP_DRVINFO_DATA_V1_W DriverRecord(const std::string& description, const std::string& manufacturer,
                                  const std::string& provider) {
  SP_DRVINFO_DATA_V1_W driver = {};
  driver.cbSize = sizeof driver;
  driver.DriverType = SPDIT_CLASSDRIVER;
  WString texts[] = {Wide(description), Wide(manufacturer), Wide(provider)};
  WCHAR* fields[] = {driver.Description, driver.MfgName, driver.ProviderName};
  for (int i = 0; i < 3; ++i) memcpy(fields[i], texts[i].c_str(), (texts[i].size() + 1) * sizeof(WCHAR));
  return driver;
}

std::string DriverKey(const std::string& number) { return std::string(kModemClassKey) + "\\" + number; }
std::string InstanceKey(const std::string& id) { return kEnumPath + id; }

class ModemInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"mdmtwo.inf", "mdmother.inf", "MDMUPPER.INF", "mdmdup.inf", "portfix.inf"}) {
      ASSERT_TRUE(PutInf(name)) << name;
    }
    openKeys_ = winsim::OpenCount(winsim::Resource::RegistryKey);
    openSets_ = winsim::OpenCount(winsim::Resource::DeviceInfoSet);
  }
  void TearDown() override {
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), openKeys_);
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::DeviceInfoSet), openSets_);
  }

  // Builds the set's class list, selects the driver the record names, and creates, registers
  // and installs a device that takes that selection: the product's sequence.
  static DWORD InstallModem(TestSet* set, SP_DRVINFO_DATA_V1_W driver, SP_DEVINFO_DATA* device) {
    if (!SetupDiBuildDriverInfoList(set->get(), nullptr, SPDIT_CLASSDRIVER)) return GetLastError();
    if (!SetupDiSetSelectedDriverW(set->get(), nullptr, &driver)) return GetLastError();
    if (!set->Create(device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS)) {
      return GetLastError();
    }
    if (!set->Register(device)) return GetLastError();
    if (!SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set->get(), device)) return GetLastError();
    return ERROR_SUCCESS;
  }
  static DWORD InstallKelo56(TestSet* set, SP_DEVINFO_DATA* device) {
    return InstallModem(set, DriverRecord("Kelo MQX 56", "Ombrel", kProvider), device);
  }

 private:
  int openKeys_ = 0;
  int openSets_ = 0;
};

TEST_F(ModemInstall, DriverIsSelectedByItsThreeTextsWithoutRegardToCase) {
  const struct {
    const char* description;
    const char* manufacturer;
    const char* provider;
    const char* infPath;  // of the driver installed; null when nothing matches
    const char* section;
  } cases[] = {
      {"Kelo MQX 56", "Ombrel", kProvider, "mdmtwo.inf", "Kelo56"},
      {"Kelo MQX 56", "Vantor", "Vantor", "mdmother.inf", "Vantor56"},
      {"Kelo MQX 33", "Ombrel", kProvider, "mdmtwo.inf", "Kelo33"},
      // The first entry that matches: mdmtwo.inf comes before MDMUPPER.INF.
      {"KELO MQX 56", "OMBREL", "ombrel \xE9lectronique", "mdmtwo.inf", "Kelo56"},
      {"Dupliq 14400", "Dupliq", "Dupliq Data", "mdmdup.inf", "DupFirst"},
      // All three texts must match, of one entry.
      {"Kelo MQX 56", "Ombrel", "Vantor", nullptr, nullptr},
      {"Kelo MQX 56", "Vantor", kProvider, nullptr, nullptr},
      {"Kelo MQX 56", "Ombrel", "", nullptr, nullptr},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    TestSet set;
    ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
    SP_DRVINFO_DATA_V1_W driver = DriverRecord(cases[row].description, cases[row].manufacturer, cases[row].provider);
    SetLastError(kSentinel);
    BOOL selected = SetupDiSetSelectedDriverW(set.get(), nullptr, &driver);
    if (cases[row].infPath == nullptr) {
      EXPECT_FALSE(selected) << "row " << row;
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << "row " << row;
      continue;
    }
    ASSERT_TRUE(selected) << "row " << row << ": " << GetLastError();
    EXPECT_NE(driver.Reserved, 0u) << "row " << row << ": Reserved names the entry found";
    SP_DEVINFO_DATA device;
    ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
    ASSERT_TRUE(set.Register(&device));
    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device)) << "row " << row;
    std::string driverKey = std::string(kModemClassKey) + "\\" +
                            RegText(HKEY_LOCAL_MACHINE, InstanceKey(InstanceId(set.get(), &device)), "Driver").substr(39);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "InfPath"), cases[row].infPath) << "row " << row;
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "InfSection"), cases[row].section) << "row " << row;
  }
}

TEST_F(ModemInstall, EnumeratedRecordSelectsItsOwnEntry) {
  TestSet set;
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  // Entry 1 is the second of the two equal Dupliq lines; text alone would find the first.
  SP_DRVINFO_DATA_V1_W driver = {};
  driver.cbSize = sizeof driver;
  ASSERT_TRUE(SetupDiEnumDriverInfoW(set.get(), nullptr, SPDIT_CLASSDRIVER, 1, &driver));
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
  ASSERT_TRUE(set.Register(&device));
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0000"), "InfSection"), "DupSecond");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0000"), "Which"), "second");

  // A Reserved value that names no entry of the list finds nothing.
  driver.Reserved += 1000;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  driver.cbSize = sizeof driver - 2;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_USER_BUFFER));
}

TEST_F(ModemInstall, ClearedSelectionLeavesNothingToInstall) {
  TestSet set;
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  SP_DRVINFO_DATA_V1_W driver = DriverRecord("Kelo MQX 56", "Ombrel", kProvider);
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, nullptr));
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
  ASSERT_TRUE(set.Register(&device));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_DRIVER_SELECTED));
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, DriverKey("0000")));
}

TEST_F(ModemInstall, ListIsBuiltOnce) {
  TestSet set;
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  remove(InfFolderFile("mdmdup.inf").c_str());
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  SP_DRVINFO_DATA_V1_W driver = {};
  driver.cbSize = sizeof driver;
  ASSERT_TRUE(SetupDiEnumDriverInfoW(set.get(), nullptr, SPDIT_CLASSDRIVER, 0, &driver));
  EXPECT_EQ(Narrow(driver.MfgName), "Dupliq");
  // Its file has gone since: installing that entry fails and writes nothing.
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
  ASSERT_TRUE(set.Register(&device));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, DriverKey("0000")));
}

TEST_F(ModemInstall, DriverKeyHoldsTheDriverAndTheInfsRegistryEntries) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_EQ(InstallKelo56(&set, &device), DWORD(ERROR_SUCCESS));
  std::string key = DriverKey("0000");
  // The .NT install section, not the undecorated one.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key, "InfSectionExt"), ".NT");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key, "Wrong"), "(missing)");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key, "Note"), "quoted; not a comment, \"quotes\" kept");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, key + "\\Settings", "Prefix"), "AT");
  const struct {
    const char* path;
    const char* name;
    DWORD type;
    std::string bytes;
  } values[] = {
      {"", "InactivityScale", REG_BINARY, std::string("\x3C\0\0\0", 4)},
      {"", "MaxRate", REG_DWORD, std::string("\x00\xE1\x00\x00", 4)},
      {"", "Languages", REG_MULTI_SZ, std::string("en\0fr\0\0", 7)},
      {"\\Responses", "<cr><lf>OK<cr><lf>", REG_BINARY, std::string(10, '\0')},
      {"\\Responses", "<cr><lf>CONNECT 56000<cr><lf>", REG_BINARY, std::string("\x02\x00\xC0\xDA\x00\x00\x00\x00\x00\x00", 10)},
  };
  for (const auto& value : values) {
    std::string bytes;
    DWORD type = REG_NONE;
    ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, key + value.path, value.name, &bytes, &type)) << value.name;
    EXPECT_EQ(type, value.type) << value.name;
    EXPECT_EQ(bytes, value.bytes) << value.name;
  }
  std::string instance = InstanceKey("ROOT\\VMODEMS\\0000");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, instance, "DeviceDesc"), "Kelo MQX 56");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, instance, "Mfg"), "Ombrel");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, instance, "FriendlyName"), "Kelo MQX 56");
  // The shared key got the responses, and only those.
  std::string shared = std::string(kDeviceSpecificPath) + kKelo56Responses;
  std::string bytes;
  EXPECT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, shared + "\\Responses", "<cr><lf>OK<cr><lf>", &bytes));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, shared, "Init1"), "(missing)");
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, shared + "\\Settings"));
}

TEST_F(ModemInstall, FriendlyNamesOfPresentModemsAreKeptApart) {
  TestSet set;
  SP_DEVINFO_DATA devices[4];
  for (int i = 0; i < 3; ++i) ASSERT_EQ(InstallKelo56(&set, &devices[i]), DWORD(ERROR_SUCCESS)) << i;
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0000"), "FriendlyName"), "Kelo MQX 56");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0001"), "FriendlyName"), "Kelo MQX 56 #2");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0002"), "FriendlyName"), "Kelo MQX 56 #3");
  // The lowest free number again once its modem has gone; names compare without regard to case.
  ASSERT_TRUE(SetupDiRemoveDevice(set.get(), &devices[1]));
  TestSet other;
  ASSERT_EQ(InstallModem(&other, DriverRecord("KELO MQX 56", "OMBREL", "OMBREL \xC9LECTRONIQUE"), &devices[3]),
            DWORD(ERROR_SUCCESS));
  // The driver key number 0001 is free again too.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0001"), "FriendlyName"), "Kelo MQX 56 #2");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0001"), "InfPath"), "mdmtwo.inf");
}

TEST_F(ModemInstall, ModemsOfOneDriverShareTheResponsesKey) {
  std::string shared = std::string(kDeviceSpecificPath) + kKelo56Responses;
  TestSet set;
  SP_DEVINFO_DATA first, second, other;
  ASSERT_EQ(InstallKelo56(&set, &first), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 1u);
  // A key already there keeps its responses: a mark set in between survives the second modem.
  ASSERT_TRUE(SetValueA(HKEY_LOCAL_MACHINE, shared + "\\Responses", "<cr><lf>OK<cr><lf>", REG_BINARY, "mark"));
  ASSERT_EQ(InstallKelo56(&set, &second), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 2u);
  std::string bytes;
  ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, shared + "\\Responses", "<cr><lf>OK<cr><lf>", &bytes));
  EXPECT_EQ(bytes, "mark");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0001"), "ResponsesKeyName"), kKelo56Responses);

  // Another maker's modem of the same model text has a key of its own.
  ASSERT_EQ(InstallModem(&set, DriverRecord("Kelo MQX 56", "Vantor", "Vantor"), &other), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, DriverKey("0002"), "ResponsesKeyName"), "Kelo MQX 56#Vantor#Vantor");
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, std::string(kDeviceSpecificPath) + "Kelo MQX 56#Vantor#Vantor", "RefCount"), 1u);
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 2u);

  // Installing a device again does not count it twice.
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &first));
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 2u);
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, DriverKey("0003")));

  // Removal leaves the shared key to the uninstaller.
  ASSERT_TRUE(SetupDiRemoveDevice(set.get(), &first));
  ASSERT_TRUE(SetupDiRemoveDevice(set.get(), &second));
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 2u);
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, shared + "\\Responses"));
}

TEST_F(ModemInstall, OtherClassesGetTheDriverKeyOnly) {
  const GUID& ports = kPortsClass;
  TestSet set(&ports);
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  SP_DRVINFO_DATA_V1_W driver = DriverRecord("Kelo MQX 56", "Ombrel", "Ombrel");
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver)) << GetLastError();
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device, WTEXT("VPORTS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS, ports));
  ASSERT_TRUE(set.Register(&device));
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device)) << GetLastError();
  std::string instance = InstanceKey("ROOT\\VPORTS\\0000");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, instance, "Class"), "Ports");
  std::string driverKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}\\0000";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, instance, "Driver"), "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0000");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "DriverDesc"), "Kelo MQX 56");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "FriendlyName"), "(missing)");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "ResponsesKeyName"), "(missing)");
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem"));
}

TEST_F(ModemInstall, DeviceNotRegisteredIsNotInstalled) {
  TestSet set;
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  SP_DRVINFO_DATA_V1_W driver = DriverRecord("Kelo MQX 56", "Ombrel", kProvider);
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVINFO_NOT_REGISTERED));
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, kModemClassKey));
}

// A broken INF is refused before anything is written.
TEST_F(ModemInstall, InfThatCannotBeInstalledWritesNothing) {
  const struct {
    const char* installPart;
    DWORD error;
  } cases[] = {
      {"", ERROR_SECTION_NOT_FOUND},                                           // no install section
      {"[Inst]\r\nAddReg = Missing\r\n", ERROR_SECTION_NOT_FOUND},             // no add-registry section
      {"[Inst]\r\nAddReg = R\r\n[R]\r\nHKR,, B, 1, 0F, 1FF\r\n", ERROR_INVALID_DATA},  // not a byte
      {"[Inst]\r\nAddReg = R\r\n[R]\r\nHKXX,, A,, \"x\"\r\n", ERROR_INVALID_DATA},     // no such root
      {"[Inst]\r\nAddReg = R\r\n[R]\r\nHKR,, A, 0x1000Z, \"x\"\r\n", ERROR_INVALID_DATA},  // flags
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    std::string text = std::string(
                           "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\nProvider=\"Broken\"\r\n"
                           "[Manufacturer]\r\n\"Broken\"\r\n[Broken]\r\n\"Broken 1\" = Inst, BROKEN\\1\r\n") +
                       cases[row].installPart;
    ASSERT_TRUE(WriteFileBytes(InfFolderFile("broken.inf"), text));
    TestSet set;
    SP_DEVINFO_DATA device;
    EXPECT_EQ(InstallModem(&set, DriverRecord("Broken 1", "Broken", "Broken"), &device), cases[row].error)
        << "row " << row;
    EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, kModemClassKey + std::string("\\0000"))) << "row " << row;
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, InstanceKey(InstanceId(set.get(), &device)), "Driver"), "(missing)")
        << "row " << row;
  }
}

// Whichever registry write fails, the installation reports it and leaves no driver key, no
// Driver value and no shared key or count behind; once nothing fails it succeeds.
TEST_F(ModemInstall, FailedInstallationLeavesNothingBehind) {
  std::string shared = std::string(kDeviceSpecificPath) + kKelo56Responses;
  for (const char* operation : {"RegSetValueExW", "RegCreateKeyExW"}) {
    bool installed = false;
    for (int nth = 1; nth < 100 && !installed; ++nth) {
      TestSet set;
      ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
      SP_DRVINFO_DATA_V1_W driver = DriverRecord("Kelo MQX 56", "Ombrel", kProvider);
      ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver));
      SP_DEVINFO_DATA device;
      ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
      ASSERT_TRUE(set.Register(&device));
      winsim::FailCall(operation, nth, ERROR_ACCESS_DENIED);
      SetLastError(kSentinel);
      installed = SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device) != FALSE;
      winsim::ClearFaults();
      if (installed) {
        EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 1u) << operation << " " << nth;
        break;
      }
      EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << operation << " " << nth;
      EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, DriverKey("0000"))) << operation << " " << nth;
      EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0000"), "Driver"), "(missing)")
          << operation << " " << nth;
      EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, shared)) << operation << " " << nth;
    }
    EXPECT_TRUE(installed) << operation;
    ASSERT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, shared), ERROR_SUCCESS);
  }
}

}  // namespace
#endif
