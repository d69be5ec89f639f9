// Device installer behaviour the product relies on, pinned on both builds: natively against the
// simulated setupapi, under Wine against Wine's. Where Wine 8 lacks a behaviour the case says so
// in place and, under Wine, pins what Wine does instead, so a mark that goes stale fails.
//
// Wine 8 facts these cases rest on:
// - it builds no class driver list without a device (ERROR_CALL_NOT_IMPLEMENTED), and
//   SetupDiSetSelectedDriverA/W are unimplemented stubs that end the process: no case calls
//   them under Wine;
// - it has no modem class installer;
// - SetupDiRemoveDevice keeps a driver key that has subkeys;
// - SetupDiRegisterDeviceInfo never looks for duplicates;
// - it writes a device's instance key ("Phantom") when the element is created, and the Class
//   value only when the device is installed;
// - in a set that had a device removed, a new element gets no device node: cases create their
//   devices first and remove them at the end.
#include <gtest/gtest.h>

#include <string.h>

#include "registry_fixture.h"
#include "registry_keys.h"
#include "setupapi_fixture.h"

#ifdef _WIN32
// The 32-bit layouts whose cbSize values the product passes.
static_assert(sizeof(SP_DEVINFO_DATA) == 28, "SP_DEVINFO_DATA is 28 bytes in 32-bit Windows");
static_assert(sizeof(SP_DRVINFO_DATA_V1_W) == 1548, "SP_DRVINFO_DATA_V1_W is 1548 bytes in 32-bit Windows");
#endif

namespace {

using namespace setupapi_test;

class SetupApi : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveModems(WTEXT("ROOT\\VMODEMS"));
#ifndef _WIN32
    openSets_ = winsim::OpenCount(winsim::Resource::DeviceInfoSet);
    openKeys_ = winsim::OpenCount(winsim::Resource::RegistryKey);
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::DeviceInfoSet), openSets_);
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), openKeys_);
#endif
  }

  static std::string InstancePath(const std::string& id) { return kEnumPath + id; }

 private:
  int openSets_ = 0;
  int openKeys_ = 0;
};

TEST_F(SetupApi, NewSetOfTheModemClassIsEmpty) {
  SetLastError(kSentinel);
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
  ASSERT_NE(set, INVALID_HANDLE_VALUE) << GetLastError();
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
  // The record's size is checked before the index.
  device.cbSize = sizeof device - 1;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_USER_BUFFER));
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));

  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  device.cbSize = sizeof device;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDeviceInfo(INVALID_HANDLE_VALUE, 0, &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
#ifndef _WIN32
  // Sim only: Wine reads a destroyed set's memory.
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDeviceInfo(set, 0, &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
#endif
}

TEST_F(SetupApi, ClassDriverListOfTheModemClassComesFromTheInfFolder) {
  for (const char* name : {"mdmtwo.inf", "mdmother.inf", "MDMUPPER.INF", "mdmdup.inf", "portfix.inf", "nosig.inf"}) {
    ASSERT_TRUE(PutInf(name)) << name;
  }
  TestSet set;
  SetLastError(kSentinel);
  BOOL built = SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER);
#ifdef _WIN32
  // Wine 8 builds no class driver list without a device.
  EXPECT_FALSE(built);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CALL_NOT_IMPLEMENTED));
#else
  ASSERT_TRUE(built) << GetLastError();
  // Files in their names' order without regard to case (MDMUPPER.INF last although capitals
  // sort first by code), then lines; the port and the unsigned file are left out.
  const struct {
    const char* description;
    const char* manufacturer;
    const WCHAR* provider;
  } expected[] = {
      {"Dupliq 14400", "Dupliq", WTEXT("Dupliq Data")},
      {"Dupliq 14400", "Dupliq", WTEXT("Dupliq Data")},
      {"Kelo MQX 56", "Vantor", WTEXT("Vantor")},
      {"Kelo MQX 56", "Ombrel", WTEXT("Ombrel \u00C9lectronique")},
      {"Kelo MQX 33", "Ombrel", WTEXT("Ombrel \u00C9lectronique")},
      {"KELO MQX 56", "OMBREL", WTEXT("OMBREL \u00C9LECTRONIQUE")},
  };
  DWORD count = sizeof expected / sizeof expected[0];
  for (DWORD index = 0; index < count; ++index) {
    SP_DRVINFO_DATA_V1_W driver;
    memset(&driver, 0x5A, sizeof driver);
    driver.cbSize = sizeof driver;
    ASSERT_TRUE(SetupDiEnumDriverInfoW(set.get(), nullptr, SPDIT_CLASSDRIVER, index, &driver)) << index;
    EXPECT_EQ(driver.DriverType, DWORD(SPDIT_CLASSDRIVER)) << index;
    EXPECT_EQ(Narrow(driver.Description), expected[index].description) << index;
    EXPECT_EQ(Narrow(driver.MfgName), expected[index].manufacturer) << index;
    EXPECT_EQ(WString(driver.ProviderName), WString(expected[index].provider)) << index;
  }
  SP_DRVINFO_DATA_V1_W driver = {};
  driver.cbSize = sizeof driver;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDriverInfoW(set.get(), nullptr, SPDIT_CLASSDRIVER, count, &driver));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
  driver.cbSize = sizeof driver + 4;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDriverInfoW(set.get(), nullptr, SPDIT_CLASSDRIVER, 0, &driver));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_USER_BUFFER));
#endif
}

TEST_F(SetupApi, GeneratedIdsAreTheRootNameInCapitalsAndTheLowestFreeNumber) {
  {
    TestSet set;
    SP_DEVINFO_DATA first, second;
    ASSERT_TRUE(set.Create(&first, WTEXT("vModems"))) << GetLastError();
    ASSERT_TRUE(set.Create(&second, WTEXT("VMODEMS"))) << GetLastError();
    EXPECT_TRUE(SameGuid(first.ClassGuid, kModemClass));
    EXPECT_NE(first.DevInst, second.DevInst);
    // An element that is not registered yet holds its number already.
    EXPECT_EQ(SetIds(set.get()), (std::vector<std::string>{"ROOT\\VMODEMS\\0000", "ROOT\\VMODEMS\\0001"}));
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    SetLastError(kSentinel);
    EXPECT_FALSE(SetupDiEnumDeviceInfo(set.get(), 2, &device));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
  }
  // The set took its unregistered elements' numbers with it.
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device));
  EXPECT_EQ(InstanceId(set.get(), &device), "ROOT\\VMODEMS\\0000");
}

TEST_F(SetupApi, InstanceIdNeedsRoomForItsTerminator) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device));
  const DWORD needed = sizeof "ROOT\\VMODEMS\\0000";  // 18 characters with the terminator
  const struct {
    bool buffer;
    DWORD size;
    bool succeeds;
  } cases[] = {{false, 0, false}, {true, 5, false}, {true, needed - 1, false}, {true, needed, true}};
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    WCHAR id[32];
    for (WCHAR& c : id) c = 0x5A5A;
    DWORD required = 0;
    SetLastError(kSentinel);
    BOOL result = SetupDiGetDeviceInstanceIdW(set.get(), &device, cases[row].buffer ? id : nullptr,
                                              cases[row].size, &required);
    EXPECT_EQ(result != FALSE, cases[row].succeeds) << "row " << row;
    EXPECT_EQ(required, needed) << "row " << row;
    if (cases[row].succeeds) {
      EXPECT_EQ(Narrow(id), "ROOT\\VMODEMS\\0000") << "row " << row;
    } else {
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER)) << "row " << row;
      EXPECT_EQ(id[0], WCHAR(0x5A5A)) << "row " << row << ": a buffer too small gets nothing";
    }
    EXPECT_EQ(id[needed], WCHAR(0x5A5A)) << "row " << row << ": nothing past the id";
  }
  SP_DEVINFO_DATA wrongSize = device;
  wrongSize.cbSize = sizeof wrongSize + 1;
  WCHAR id[32];
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiGetDeviceInstanceIdW(set.get(), &wrongSize, id, 32, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(SetupApi, CreatingAnElementIsRefusedAsDocumented) {
  TestSet set;
  SP_DEVINFO_DATA registered;
  ASSERT_TRUE(set.Create(&registered, WTEXT("ROOT\\VMODEMS\\0042"), WTEXT("Test modem"), 0));
  ASSERT_TRUE(set.Register(&registered)) << GetLastError();
  const struct {
    const WCHAR* name;
    DWORD flags;
    const GUID* classGuid;
    DWORD error;
    bool wineAccepts;  // Wine checks less; the row pins that it accepts
  } cases[] = {
      {WTEXT("V\\MODEMS"), DICD_GENERATE_ID, &kModemClass, ERROR_INVALID_DEVINST_NAME, false},
      {WTEXT("VMODEMS"), DICD_GENERATE_ID, &kPortsClass, ERROR_CLASS_MISMATCH, false},
      {WTEXT("root\\vmodems\\0042"), 0, &kModemClass, ERROR_DEVINST_ALREADY_EXISTS, false},
      // Wine makes "ROOT\\0000" of an empty name and keeps a one-part id as it stands.
      {WTEXT(""), DICD_GENERATE_ID, &kModemClass, ERROR_INVALID_DEVINST_NAME, true},
      {WTEXT("VMODEMS"), 0, &kModemClass, ERROR_INVALID_DEVINST_NAME, true},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    SetLastError(kSentinel);
    BOOL result = SetupDiCreateDeviceInfoW(set.get(), cases[row].name, cases[row].classGuid, WTEXT("x"), nullptr,
                                           cases[row].flags, nullptr);
#ifdef _WIN32
    if (cases[row].wineAccepts) {
      EXPECT_TRUE(result) << "row " << row;
      continue;
    }
#endif
    EXPECT_FALSE(result) << "row " << row;
    EXPECT_EQ(GetLastError(), cases[row].error) << "row " << row;
  }
  // A record of the wrong size fails the call, but the element has joined the set.
  size_t before = SetIds(set.get()).size();
  SP_DEVINFO_DATA wrongSize = {};
  wrongSize.cbSize = sizeof wrongSize - 4;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCreateDeviceInfoW(set.get(), WTEXT("VMODEMS"), &kModemClass, WTEXT("x"), nullptr,
                                        DICD_GENERATE_ID, &wrongSize));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_USER_BUFFER));
  EXPECT_EQ(SetIds(set.get()).size(), before + 1);
}

TEST_F(SetupApi, RegistrationWritesTheInstanceKey) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device, WTEXT("VMODEMS"), WTEXT("Kelo MQX 56")));
  SetLastError(kSentinel);
  ASSERT_TRUE(SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr)) << GetLastError();
  set.Keep(device);
  std::string path = InstancePath("ROOT\\VMODEMS\\0000");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path, "ClassGUID"), kModemClassText);
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path, "DeviceDesc"), "Kelo MQX 56");
#ifdef _WIN32
  // Wine writes the Class value only when the device is installed.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path, "Class"), "(missing)");
#else
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, path, "Class"), "Modem");
#endif
  // Registering again changes nothing.
  EXPECT_TRUE(SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(InstanceId(set.get(), &device), "ROOT\\VMODEMS\\0000");
}

TEST_F(SetupApi, InstallingWithoutASelectedDriverFails) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.CreateRegistered(&device));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_DRIVER_SELECTED));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, InstancePath("ROOT\\VMODEMS\\0000"), "Driver"), "(missing)");
}

TEST_F(SetupApi, DeviceWithoutKeysHasNoneToOpen) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.CreateRegistered(&device));
  for (DWORD keyType : {DWORD(DIREG_DRV), DWORD(DIREG_DEV)}) {
    SetLastError(kSentinel);
    HKEY key = SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, keyType, KEY_READ);
    EXPECT_EQ(key, INVALID_HANDLE_VALUE) << keyType;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_KEY_DOES_NOT_EXIST)) << keyType;
  }
}

TEST_F(SetupApi, DriverKeyMadeForADeviceIsTheOneItsDriverValueNames) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.CreateRegistered(&device));
  SetLastError(kSentinel);
  HKEY created = SetupDiCreateDevRegKeyW(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE) << GetLastError();
  const char mark[] = "through the created key";
  EXPECT_EQ(RegSetValueExA(created, "Mark", 0, REG_SZ, reinterpret_cast<const BYTE*>(mark), sizeof mark),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
  std::string driver = RegText(HKEY_LOCAL_MACHINE, InstancePath("ROOT\\VMODEMS\\0000"), "Driver");
  EXPECT_EQ(driver, std::string(kModemClassText) + "\\0000");

  HKEY opened = SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  ASSERT_NE(opened, INVALID_HANDLE_VALUE) << GetLastError();
  char data[64] = {};
  DWORD size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(opened, "Mark", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
  EXPECT_STREQ(data, mark);
  // The key has the rights asked for and no more.
  EXPECT_EQ(RegSetValueExA(opened, "Other", 0, REG_SZ, reinterpret_cast<const BYTE*>(mark), sizeof mark),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
}

TEST_F(SetupApi, PresentDevicesOfAnEnumeratorComeInInstanceIdOrder) {
  TestSet made;
  SP_DEVINFO_DATA devices[3];
  ASSERT_TRUE(made.Create(&devices[0], WTEXT("ROOT\\VMODEMS\\0002"), WTEXT("Third"), 0));
  ASSERT_TRUE(made.Create(&devices[1], WTEXT("VMODEMS"), WTEXT("First")));
  ASSERT_TRUE(made.Create(&devices[2], WTEXT("VMODEMS"), WTEXT("Second")));
  for (SP_DEVINFO_DATA& device : devices) ASSERT_TRUE(made.Register(&device)) << GetLastError();
  const std::vector<std::string> all = {"ROOT\\VMODEMS\\0000", "ROOT\\VMODEMS\\0001", "ROOT\\VMODEMS\\0002"};
  const struct {
    const WCHAR* enumerator;
    std::vector<std::string> ids;
  } cases[] = {
      {WTEXT("ROOT\\VMODEMS"), all},
      {WTEXT("root\\vmodems"), all},
      {WTEXT("ROOT"), all},
      {WTEXT("ROOT\\VMODEM"), {}},  // a prefix of the device id is not the device id
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    SetLastError(kSentinel);
    HDEVINFO found = SetupDiGetClassDevsW(&kModemClass, cases[row].enumerator, nullptr, DIGCF_PRESENT);
    ASSERT_NE(found, INVALID_HANDLE_VALUE) << "row " << row << ": " << GetLastError();
    EXPECT_EQ(SetIds(found), cases[row].ids) << "row " << row;
    SP_DEVINFO_DATA first = {};
    first.cbSize = sizeof first;
    if (!cases[row].ids.empty() && SetupDiEnumDeviceInfo(found, 0, &first)) {
      EXPECT_TRUE(SameGuid(first.ClassGuid, kModemClass)) << "row " << row;
    }
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(found));
  }
  // The ports class has none of them.
  HDEVINFO ports = SetupDiGetClassDevsW(&kPortsClass, WTEXT("ROOT\\VMODEMS"), nullptr, DIGCF_PRESENT);
  ASSERT_NE(ports, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetIds(ports).empty());
  SetupDiDestroyDeviceInfoList(ports);
}

TEST_F(SetupApi, RemovedDeviceStaysInTheSetButIsGone) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.Create(&device));
  ASSERT_TRUE(SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr));
  HKEY driverKey = SetupDiCreateDevRegKeyW(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
  ASSERT_NE(driverKey, INVALID_HANDLE_VALUE) << GetLastError();
  RegCloseKey(driverKey);
  std::string driverPath = std::string(kModemClassKey) + "\\0000";
  ASSERT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, driverPath));

  SetLastError(kSentinel);
  ASSERT_TRUE(SetupDiRemoveDevice(set.get(), &device)) << GetLastError();
  EXPECT_EQ(device.DevInst, 0u);
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstancePath("ROOT\\VMODEMS\\0000")));
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, driverPath));
  EXPECT_EQ(SetIds(set.get()).size(), 1u);

  WCHAR id[32];
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiGetDeviceInstanceIdW(set.get(), &device, id, 32, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_SUCH_DEVINST));
  SetLastError(kSentinel);
  EXPECT_EQ(SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_SUCH_DEVINST));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiRemoveDevice(set.get(), &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_SUCH_DEVINST));
}

TEST_F(SetupApi, DeviceOfAnotherSetIsNotRemoved) {
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.CreateRegistered(&device));
  TestSet other;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiRemoveDevice(other.get(), &device));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstancePath("ROOT\\VMODEMS\\0000")));
}

TEST_F(SetupApi, RemovalDeletesTheDriverKeyWithItsSubkeys) {
  std::string driverPath = std::string(kModemClassKey) + "\\0000";
  {
    TestSet set;
    SP_DEVINFO_DATA device;
    ASSERT_TRUE(set.CreateRegistered(&device));
    HKEY driverKey = SetupDiCreateDevRegKeyW(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    ASSERT_NE(driverKey, INVALID_HANDLE_VALUE);
    HKEY responses = nullptr;
    ASSERT_EQ(RegCreateKeyExA(driverKey, "Responses", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &responses, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(responses);
    RegCloseKey(driverKey);
    ASSERT_TRUE(SetupDiRemoveDevice(set.get(), &device));
  }
#ifdef _WIN32
  // Wine 8 deletes a driver key only when it has no subkeys.
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, driverPath));
  EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, driverPath), ERROR_SUCCESS);
#else
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, driverPath));
#endif
}

int compareCalls = 0;
DWORD CALLBACK AlwaysDuplicate(HDEVINFO, PSP_DEVINFO_DATA, PSP_DEVINFO_DATA, PVOID) {
  ++compareCalls;
  return ERROR_DUPLICATE_FOUND;
}

TEST_F(SetupApi, RootDeviceWithAGeneratedIdIsNeverADuplicate) {
  TestSet set;
  SP_DEVINFO_DATA first, second;
  ASSERT_TRUE(set.CreateRegistered(&first));
  ASSERT_TRUE(set.Create(&second));
  compareCalls = 0;
  SetLastError(kSentinel);
  EXPECT_TRUE(SetupDiRegisterDeviceInfo(set.get(), &second, SPRDI_FIND_DUPS, AlwaysDuplicate, nullptr, nullptr))
      << GetLastError();
  set.Keep(second);
  EXPECT_EQ(compareCalls, 0);
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstancePath("ROOT\\VMODEMS\\0001")));
}

TEST_F(SetupApi, DuplicateOfADeviceThatIsNotRootEnumeratedIsFound) {
  TestSet set;
  SP_DEVINFO_DATA existing, added;
  ASSERT_TRUE(set.Create(&existing, WTEXT("XBUS\\KELO\\0001"), WTEXT("Bus modem"), 0));
  ASSERT_TRUE(set.Register(&existing));
  ASSERT_TRUE(set.Create(&added, WTEXT("XBUS\\KELO\\0002"), WTEXT("Bus modem"), 0));
  SP_DEVINFO_DATA duplicate = {};
  duplicate.cbSize = sizeof duplicate;
  compareCalls = 0;
  SetLastError(kSentinel);
  BOOL registered = SetupDiRegisterDeviceInfo(set.get(), &added, SPRDI_FIND_DUPS, AlwaysDuplicate, nullptr, &duplicate);
#ifdef _WIN32
  // Wine 8 never looks for duplicates.
  EXPECT_TRUE(registered);
  EXPECT_EQ(compareCalls, 0);
  set.Keep(added);
#else
  EXPECT_FALSE(registered);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DUPLICATE_FOUND));
  EXPECT_EQ(compareCalls, 1);
  EXPECT_EQ(InstanceId(set.get(), &duplicate), "XBUS\\KELO\\0001");
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstancePath("XBUS\\KELO\\0002")));
#endif
}

// The modem class installer: natively the simulation's, from a class driver list. Wine has
// none; its case installs the same INF through a compatible-driver list (the only list Wine
// builds) and pins that the modem values are missing.
TEST_F(SetupApi, ModemClassInstallerNamesTheModemAndSharesItsResponses) {
  ASSERT_TRUE(PutInf("mdmtwo.inf"));
  TestSet set;
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(set.CreateRegistered(&device, WTEXT("VMODEMS"), nullptr));
  std::string instance = InstancePath("ROOT\\VMODEMS\\0000");
#ifdef _WIN32
  static const WCHAR hardwareIds[] = L"KELO\\MQX56\0";
  ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyW(set.get(), &device, SPDRP_HARDWAREID,
                                                reinterpret_cast<const BYTE*>(hardwareIds), sizeof hardwareIds));
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), &device, SPDIT_COMPATDRIVER)) << GetLastError();
  ASSERT_TRUE(SetupDiSelectBestCompatDrv(set.get(), &device)) << GetLastError();
  EXPECT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &device)) << GetLastError();
  std::string driverKey = std::string(kModemClassKey) + "\\0000";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, instance, "Driver"), std::string(kModemClassText) + "\\0000");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "Init1"), "AT&F<cr>");
  // No modem class installer: no name, no shared responses.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "FriendlyName"), "(missing)");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, "ResponsesKeyName"), "(missing)");
  // The driver key has a Responses subkey, which Wine's removal leaves behind.
  EXPECT_TRUE(SetupDiRemoveDevice(set.get(), &device));
  EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, driverKey), ERROR_SUCCESS);
  DeleteFileA(InfFolderFile("mdmtwo.inf").c_str());
#else
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER));
  SP_DRVINFO_DATA_V1_W driver = {};
  driver.cbSize = sizeof driver;
  driver.DriverType = SPDIT_CLASSDRIVER;
  memcpy(driver.Description, WTEXT("Kelo MQX 56"), sizeof WTEXT("Kelo MQX 56"));
  memcpy(driver.MfgName, WTEXT("Ombrel"), sizeof WTEXT("Ombrel"));
  memcpy(driver.ProviderName, WTEXT("Ombrel \u00C9lectronique"), sizeof WTEXT("Ombrel \u00C9lectronique"));
  // The device takes the set's list when it is created; this one was made before the list.
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiSetSelectedDriverW(set.get(), &device, &driver));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  ASSERT_TRUE(SetupDiSetSelectedDriverW(set.get(), nullptr, &driver)) << GetLastError();
  SP_DEVINFO_DATA modem;
  ASSERT_TRUE(set.Create(&modem, WTEXT("VMODEMS"), nullptr, DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS));
  ASSERT_TRUE(set.Register(&modem));
  SetLastError(kSentinel);
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set.get(), &modem)) << std::hex << GetLastError();

  std::string modemInstance = InstancePath("ROOT\\VMODEMS\\0001");
  std::string driverKey = std::string(kModemClassKey) + "\\0000";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, modemInstance, "Driver"), std::string(kModemClassText) + "\\0000");
  const struct {
    const char* name;
    const char* value;
  } values[] = {
      {"DriverDesc", "Kelo MQX 56"},
      {"MatchingDeviceId", "kelo\\mqx56"},
      {"InfPath", "mdmtwo.inf"},
      {"InfSection", "Kelo56"},
      {"ProviderName", "Ombrel \xC9lectronique"},
      {"FriendlyName", "Kelo MQX 56"},
      {"ResponsesKeyName", "Kelo MQX 56#Ombrel#Ombrel \xC9lectronique"},
      {"Init1", "AT&F<cr>"},
  };
  for (const auto& value : values) {
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, driverKey, value.name), value.value) << value.name;
  }
  std::string shared = std::string(kDeviceSpecificPath) + "Kelo MQX 56#Ombrel#Ombrel \xC9lectronique";
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 1u);
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, shared + "\\Responses"));
#endif
}

}  // namespace
