// The simulated device installer on the paths Wine cannot be asked about: injected failures,
// handles and records that name nothing, registry contents that disagree with the set. Sim
// only: fault injection and the accounting of open sets belong to the simulation, and Wine
// reads freed memory for a destroyed set or a made-up record.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "registry_fixture.h"
#include "registry_keys.h"
#include "setupapi_fixture.h"

namespace {

using namespace setupapi_test;

std::string InstanceKey(const std::string& id) { return kEnumPath + id; }

// A set of the modem class with its class driver list, the Kelo MQX 56 of mdmtwo.inf selected,
// and one registered device that inherited that selection: every entry point has something to
// work on.
class Prepared : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PutInf("mdmtwo.inf"));
    openSets_ = winsim::OpenCount(winsim::Resource::DeviceInfoSet);
    openKeys_ = winsim::OpenCount(winsim::Resource::RegistryKey);
    set_ = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
    ASSERT_NE(set_, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetupDiBuildDriverInfoList(set_, nullptr, SPDIT_CLASSDRIVER));
    driver_ = {};
    driver_.cbSize = sizeof driver_;
    ASSERT_TRUE(SetupDiEnumDriverInfoW(set_, nullptr, SPDIT_CLASSDRIVER, 0, &driver_));
    ASSERT_TRUE(SetupDiSetSelectedDriverW(set_, nullptr, &driver_));
    device_ = {};
    device_.cbSize = sizeof device_;
    ASSERT_TRUE(SetupDiCreateDeviceInfoW(set_, WTEXT("VMODEMS"), &kModemClass, nullptr, nullptr,
                                         DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS, &device_));
    ASSERT_TRUE(SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr));
  }
  void TearDown() override {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::DeviceInfoSet), openSets_);
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), openKeys_);
  }

  // Every entry point, called on the prepared set and device; true when it succeeded. Keys and
  // sets it returns are closed again.
  struct EntryPoint {
    const char* name;
    std::function<bool(HDEVINFO, SP_DEVINFO_DATA*)> call;
  };
  std::vector<EntryPoint> EntryPoints() {
    auto closeKey = [](HKEY key) {
      if (key == INVALID_HANDLE_VALUE) return false;
      RegCloseKey(key);
      return true;
    };
    return {
        {"SetupDiCreateDeviceInfoList",
         [](HDEVINFO, SP_DEVINFO_DATA*) {
           HDEVINFO made = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
           return made != INVALID_HANDLE_VALUE && SetupDiDestroyDeviceInfoList(made);
         }},
        {"SetupDiGetClassDevsW",
         [](HDEVINFO, SP_DEVINFO_DATA*) {
           HDEVINFO found = SetupDiGetClassDevsW(&kModemClass, WTEXT("ROOT"), nullptr, DIGCF_PRESENT);
           return found != INVALID_HANDLE_VALUE && SetupDiDestroyDeviceInfoList(found);
         }},
        {"SetupDiEnumDeviceInfo",
         [](HDEVINFO set, SP_DEVINFO_DATA*) {
           SP_DEVINFO_DATA device = {};
           device.cbSize = sizeof device;
           return SetupDiEnumDeviceInfo(set, 0, &device) != FALSE;
         }},
        {"SetupDiCreateDeviceInfoW",
         [](HDEVINFO set, SP_DEVINFO_DATA*) {
           return SetupDiCreateDeviceInfoW(set, WTEXT("VMODEMS"), &kModemClass, nullptr, nullptr, DICD_GENERATE_ID,
                                           nullptr) != FALSE;
         }},
        {"SetupDiGetDeviceInstanceIdW",
         [](HDEVINFO set, SP_DEVINFO_DATA* device) {
           WCHAR id[MAX_DEVICE_ID_LEN];
           return SetupDiGetDeviceInstanceIdW(set, device, id, MAX_DEVICE_ID_LEN, nullptr) != FALSE;
         }},
        {"SetupDiRegisterDeviceInfo",
         [](HDEVINFO set, SP_DEVINFO_DATA* device) {
           return SetupDiRegisterDeviceInfo(set, device, 0, nullptr, nullptr, nullptr) != FALSE;
         }},
        {"SetupDiBuildDriverInfoList",
         [](HDEVINFO set, SP_DEVINFO_DATA*) { return SetupDiBuildDriverInfoList(set, nullptr, SPDIT_CLASSDRIVER) != FALSE; }},
        {"SetupDiEnumDriverInfoW",
         [](HDEVINFO set, SP_DEVINFO_DATA*) {
           SP_DRVINFO_DATA_V1_W driver = {};
           driver.cbSize = sizeof driver;
           return SetupDiEnumDriverInfoW(set, nullptr, SPDIT_CLASSDRIVER, 0, &driver) != FALSE;
         }},
        {"SetupDiSetSelectedDriverW",
         [this](HDEVINFO set, SP_DEVINFO_DATA*) {
           SP_DRVINFO_DATA_V1_W driver = driver_;
           return SetupDiSetSelectedDriverW(set, nullptr, &driver) != FALSE;
         }},
        {"SetupDiCallClassInstaller",
         [](HDEVINFO set, SP_DEVINFO_DATA* device) {
           return SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set, device) != FALSE;
         }},
        {"SetupDiCreateDevRegKeyW",
         [closeKey](HDEVINFO set, SP_DEVINFO_DATA* device) {
           return closeKey(SetupDiCreateDevRegKeyW(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr));
         }},
        {"SetupDiOpenDevRegKey",
         [closeKey](HDEVINFO set, SP_DEVINFO_DATA* device) {
           return closeKey(SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
         }},
        {"SetupDiRemoveDevice",
         [](HDEVINFO set, SP_DEVINFO_DATA* device) { return SetupDiRemoveDevice(set, device) != FALSE; }},
        {"SetupDiDestroyDeviceInfoList",
         [](HDEVINFO set, SP_DEVINFO_DATA*) { return SetupDiDestroyDeviceInfoList(set) != FALSE; }},
    };
  }

  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device_{};
  SP_DRVINFO_DATA_V1_W driver_{};

 private:
  int openSets_ = 0;
  int openKeys_ = 0;
};

// Each entry point fails its next call with the injected error, as it documents its failures,
// and works again on the call after. In table order, each call leaves what the next needs.
TEST_F(Prepared, InjectedFaultFailsTheNamedCallOnly) {
  const DWORD injected = ERROR_NOT_ENOUGH_MEMORY;
  for (const EntryPoint& entry : EntryPoints()) {
    winsim::FailCall(entry.name, 1, injected);
    SetLastError(kSentinel);
    EXPECT_FALSE(entry.call(set_, &device_)) << entry.name;
    EXPECT_EQ(GetLastError(), injected) << entry.name;
    EXPECT_TRUE(entry.call(set_, &device_)) << entry.name << ": " << GetLastError();
  }
  set_ = INVALID_HANDLE_VALUE;  // the last entry destroyed it
}

TEST_F(Prepared, DestroyedSetIsAnInvalidHandleEverywhere) {
  HDEVINFO destroyed = set_;
  ASSERT_TRUE(SetupDiDestroyDeviceInfoList(set_));
  set_ = INVALID_HANDLE_VALUE;
  for (const EntryPoint& entry : EntryPoints()) {
    if (strcmp(entry.name, "SetupDiCreateDeviceInfoList") == 0 || strcmp(entry.name, "SetupDiGetClassDevsW") == 0) {
      continue;  // these take no set
    }
    SetLastError(kSentinel);
    EXPECT_FALSE(entry.call(destroyed, &device_)) << entry.name;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << entry.name;
  }
}

TEST_F(Prepared, RecordOfNoElementIsRefused) {
  struct {
    const char* what;
    SP_DEVINFO_DATA record;
  } records[] = {{"unknown element", device_}, {"wrong size", device_}};
  records[0].record.Reserved += 1000;
  records[1].record.cbSize = sizeof(SP_DEVINFO_DATA) + 4;
  const std::vector<std::string> takingRecords = {
      "SetupDiGetDeviceInstanceIdW", "SetupDiRegisterDeviceInfo", "SetupDiCallClassInstaller",
      "SetupDiCreateDevRegKeyW",     "SetupDiOpenDevRegKey",      "SetupDiRemoveDevice"};
  for (auto& record : records) {
    for (const EntryPoint& entry : EntryPoints()) {
      bool takesRecord = false;
      for (const std::string& name : takingRecords) takesRecord = takesRecord || name == entry.name;
      if (!takesRecord) continue;
      SetLastError(kSentinel);
      EXPECT_FALSE(entry.call(set_, &record.record)) << entry.name << ", " << record.what;
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << entry.name << ", " << record.what;
    }
  }
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0000")));
}

// A registration that fails halfway leaves no instance key: it would be a device nobody made.
TEST_F(Prepared, FailedRegistrationLeavesNoInstanceKey) {
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiCreateDeviceInfoW(set_, WTEXT("VMODEMS"), &kModemClass, WTEXT("Second"), nullptr,
                                       DICD_GENERATE_ID, &device));
  for (int nth = 1; nth <= 3; ++nth) {
    winsim::FailCall("RegSetValueExW", nth, ERROR_ACCESS_DENIED);
    SetLastError(kSentinel);
    EXPECT_FALSE(SetupDiRegisterDeviceInfo(set_, &device, 0, nullptr, nullptr, nullptr)) << nth;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << nth;
    winsim::ClearFaults();
    EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0001"))) << nth;
  }
  EXPECT_TRUE(SetupDiRegisterDeviceInfo(set_, &device, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0001"), "DeviceDesc"), "Second");
}

TEST_F(Prepared, InstanceKeysAlreadyInTheRegistryAreRespected) {
  // A number the registry has is not handed out again.
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0001")));
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiCreateDeviceInfoW(set_, WTEXT("VMODEMS"), &kModemClass, nullptr, nullptr, DICD_GENERATE_ID, &device));
  EXPECT_EQ(InstanceId(set_, &device), "ROOT\\VMODEMS\\0002");
  // A key that appeared after the element was made belongs to someone else.
  ASSERT_TRUE(SetStringA(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0002"), "DeviceDesc", "someone else's"));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiRegisterDeviceInfo(set_, &device, 0, nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVINST_ALREADY_EXISTS));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0002"), "DeviceDesc"), "someone else's");
}

// Removal deletes only a driver key its Driver value names in full: a bare class GUID would
// name the whole class key, with every other modem's driver key in it.
TEST_F(Prepared, RemovalDeletesNoDriverKeyForAMalformedDriverValue) {
  ASSERT_TRUE(SetStringA(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0007", "DriverDesc", "another modem"));
  ASSERT_TRUE(SetStringA(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0000"), "Driver", kModemClassText));
  ASSERT_TRUE(SetupDiRemoveDevice(set_, &device_));
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS\\0000")));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0007", "DriverDesc"), "another modem");
}

TEST_F(Prepared, RemovalOfTheLastInstanceRemovesItsEmptyDeviceKey) {
  ASSERT_TRUE(SetupDiRemoveDevice(set_, &device_));
  EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, InstanceKey("ROOT\\VMODEMS")));
  EXPECT_TRUE(KeyIsPresent(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum"));
}

TEST_F(Prepared, ClassDevsFlags) {
  SP_DEVINFO_DATA port = {};
  port.cbSize = sizeof port;
  HDEVINFO ports = SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
  ASSERT_TRUE(SetupDiCreateDeviceInfoW(ports, WTEXT("VPORTS"), &kPortsClass, nullptr, nullptr, DICD_GENERATE_ID, &port));
  ASSERT_TRUE(SetupDiRegisterDeviceInfo(ports, &port, 0, nullptr, nullptr, nullptr));
  HDEVINFO all = SetupDiGetClassDevsW(nullptr, WTEXT("ROOT"), nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  ASSERT_NE(all, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SetIds(all), (std::vector<std::string>{"ROOT\\VMODEMS\\0000", "ROOT\\VPORTS\\0000"}));
  SetupDiDestroyDeviceInfoList(all);
  const struct {
    const GUID* classGuid;
    DWORD flags;
    DWORD error;
  } refused[] = {
      {nullptr, DIGCF_PRESENT, ERROR_INVALID_PARAMETER},
      {&kModemClass, DIGCF_PRESENT | 0x100, ERROR_INVALID_FLAGS},
      {&kModemClass, DIGCF_DEVICEINTERFACE, ERROR_CALL_NOT_IMPLEMENTED},  // interfaces are not simulated
  };
  for (size_t row = 0; row < sizeof refused / sizeof refused[0]; ++row) {
    SetLastError(kSentinel);
    EXPECT_EQ(SetupDiGetClassDevsW(refused[row].classGuid, nullptr, nullptr, refused[row].flags), INVALID_HANDLE_VALUE)
        << "row " << row;
    EXPECT_EQ(GetLastError(), refused[row].error) << "row " << row;
  }
  SetupDiRemoveDevice(ports, &port);
  SetupDiDestroyDeviceInfoList(ports);
}

}  // namespace
#endif
