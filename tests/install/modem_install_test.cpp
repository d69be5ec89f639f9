// Modem devices for the board's ports: port numbers and texts on both builds; the device
// sequence natively, on the simulated device installer and its modem class installer.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "host_table.h"
#include "modem_install.h"
#include "registry_keys.h"
#include "../platform/setupapi_fixture.h"
#include "test_system.h"

namespace {

using namespace setupapi_test;

TEST(ModemPorts, PortNumbersAreReadFromTheFirstDigit) {
  const struct {
    const char* value;  // null: PORT1 is not set
    int number;         // -1: the port cannot be read
  } cases[] = {
      {"COM5", 5},      {"COM12", 12},  {"7", 7},           {"COM9999", 9999},
      {"COM010", 8},    // "%i": a leading 0 is octal
      {"COM0x1F", 31},  {"PORT 3 ", 3},
      {nullptr, -1},    {"", -1},       {"COM", -1},        {"NONE", -1},
      {"10000", -1},    // "COM10000" would not fit 7 characters
      {"COM10000", -1}, // longer than 7 characters: not cut into COM1000
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    HostTable table(4);
    if (cases[row].value != nullptr) {
      ASSERT_EQ(SetScriptVar(table.params(), "PORT1", cases[row].value), 1);
    }
    int ports[kMaxModemPorts + 1];
    for (int& port : ports) port = 0x5A5A;
    EXPECT_EQ(ReadPortNumbers(table.params(), ports, 1), cases[row].number >= 0) << "row " << row;
    EXPECT_EQ(ports[0], cases[row].number) << "row " << row;
    EXPECT_EQ(ports[1], 0x5A5A) << "row " << row;
  }
}

TEST(ModemPorts, AtMostEightPortsAreRead) {
  HostTable table(16);
  char name[16], value[16];
  for (int k = 1; k <= 9; ++k) {
    sprintf(name, "PORT%d", k);
    sprintf(value, "COM%d", 10 + k);
    ASSERT_EQ(SetScriptVar(table.params(), name, value), 1);
  }
  int ports[kMaxModemPorts + 1];
  for (int& port : ports) port = 0x5A5A;
  EXPECT_TRUE(ReadPortNumbers(table.params(), ports, 9));
  for (DWORD k = 0; k < kMaxModemPorts; ++k) EXPECT_EQ(ports[k], int(11 + k)) << k;
  EXPECT_EQ(ports[kMaxModemPorts], 0x5A5A);
  // One port that cannot be read, among readable ones.
  ASSERT_EQ(SetScriptVar(table.params(), "PORT3", "LPT"), 1);
  EXPECT_FALSE(ReadPortNumbers(table.params(), ports, 4));
  EXPECT_EQ(ports[2], -1);
  EXPECT_EQ(ports[3], 14);
}

TEST(ModemPorts, TextsAreWidenedAsTheUninstallerWidensThem) {
  const std::string texts[] = {"Kelo MQX 56", "", "Ombrel \xC9lectronique", "\x80 modem", std::string(300, 'k')};
  for (const std::string& text : texts) {
    WCHAR widened[kModemTextSize + 1];
    for (WCHAR& c : widened) c = 0x5A5A;
    WidenText(text.c_str(), widened);
    WCHAR expected[kModemTextSize];
    size_t length = text.size() < kModemTextSize - 1 ? text.size() : kModemTextSize - 1;
    int converted = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(length), expected, kModemTextSize - 1);
    ASSERT_EQ(converted, static_cast<int>(length)) << text;  // a single-byte code page
    expected[converted] = 0;
    EXPECT_EQ(WString(widened), WString(expected)) << text;
    EXPECT_EQ(widened[kModemTextSize], WCHAR(0x5A5A)) << text;
  }
  WCHAR widened[kModemTextSize];
  WidenText("\x80", widened);
  EXPECT_NE(widened[0], WCHAR(0x80)) << "a byte above 0x7F goes through the code page";
}

// Sim only: Wine 8 builds no class driver list without a device, and its
// SetupDiSetSelectedDriverW ends the process.
#ifndef _WIN32

typedef int(WINAPI* HostExport)(HostCallParams*);

constexpr char kRootModems[] = "SYSTEM\\CurrentControlSet\\Enum\\ROOT\\VMODEMS";
constexpr char kResponsesKey[] = "Kelo MQX 56#Ombrel#Ombrel";

struct Modem {
  std::string id;
  std::string description;
  std::string friendlyName;
  std::string attachedTo;
  std::string infPath;
  std::string infSection;
};

// The devices under ROOT\VMODEMS, in instance order, with what their driver keys hold.
std::vector<Modem> Modems() {
  std::vector<Modem> modems;
  HKEY root = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRootModems, 0, KEY_READ, &root) != ERROR_SUCCESS) return modems;
  for (DWORD index = 0;; ++index) {
    char name[64];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(root, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    std::string instance = std::string(kRootModems) + "\\" + name;
    std::string driver = RegText(HKEY_LOCAL_MACHINE, instance, "Driver");
    std::string driverKey = driver == "(missing)" ? "(none)" : "SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver;
    modems.push_back({std::string("ROOT\\VMODEMS\\") + name, RegText(HKEY_LOCAL_MACHINE, instance, "DeviceDesc"),
                      RegText(HKEY_LOCAL_MACHINE, driverKey, "FriendlyName"),
                      RegText(HKEY_LOCAL_MACHINE, driverKey, "AttachedTo"),
                      RegText(HKEY_LOCAL_MACHINE, driverKey, "InfPath"),
                      RegText(HKEY_LOCAL_MACHINE, driverKey, "InfSection")});
  }
  RegCloseKey(root);
  return modems;
}

std::string ProductInf() { return RegFixtureFolder() + "/../../install/mdmobra.inf"; }

bool PutProductInf() {
  FILE* in = fopen(ProductInf().c_str(), "rb");
  if (in == nullptr) return false;
  std::string bytes;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, got);
  fclose(in);
  return WriteFileBytes(InfFolderFile("mdmobra.inf"), bytes);
}

// Takes every modem device, driver key and shared modem key away again, so a sweep starts
// each round on the same system.
void ForgetModems() {
  DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, kRootModems);
  DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, kModemClassKey);
  DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem");
}

class ModemDevices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(install_.module(), nullptr);
    ASSERT_TRUE(PutProductInf()) << ProductInf();
    keys_ = winsim::OpenCount(winsim::Resource::RegistryKey);
    sets_ = winsim::OpenCount(winsim::Resource::DeviceInfoSet);
  }
  void TearDown() override {
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keys_ + leakedKeys_) << "a key stayed open";
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::DeviceInfoSet), sets_) << "a set stayed open";
  }

  // A card as GetNextCard and GetPorts leave it: NUMPORTS and PORT1 to PORTn.
  static void SetCard(HostTable* table, const char* numPorts, int firstPort, int ports) {
    if (numPorts != nullptr) {
      ASSERT_EQ(SetScriptVar(table->params(), "NUMPORTS", numPorts), 1);
    }
    for (int k = 1; k <= ports; ++k) {
      char name[16], value[16];
      sprintf(name, "PORT%d", k);
      sprintf(value, "COM%d", firstPort + k - 1);
      ASSERT_EQ(SetScriptVar(table->params(), name, value), 1);
    }
  }
  int Call(HostTable* table) {
    HostExport function = install_.Export<HostExport>("InstallModems");
    EXPECT_NE(function, nullptr);
    return function == nullptr ? -1 : function(table->params());
  }

  LoadedInstall install_;
  int keys_ = 0;
  int sets_ = 0;
  int leakedKeys_ = 0;
};

TEST_F(ModemDevices, EveryPortBecomesAModemOfTheProductsDriver) {
  HostTable table(16);
  SetCard(&table, "4", 5, 4);
  EXPECT_EQ(Call(&table), 0);
  std::vector<Modem> modems = Modems();
  ASSERT_EQ(modems.size(), 4u);
  const char* names[] = {"Kelo MQX 56", "Kelo MQX 56 #2", "Kelo MQX 56 #3", "Kelo MQX 56 #4"};
  for (size_t k = 0; k < 4; ++k) {
    char id[32], port[8];
    sprintf(id, "ROOT\\VMODEMS\\%04zu", k);
    sprintf(port, "COM%zu", k + 5);
    EXPECT_EQ(modems[k].id, id);
    EXPECT_EQ(modems[k].description, "Kelo MQX 56") << k;
    EXPECT_EQ(modems[k].friendlyName, names[k]) << k;
    EXPECT_EQ(modems[k].attachedTo, port) << k;
    EXPECT_EQ(modems[k].infPath, "mdmobra.inf") << k;
    EXPECT_EQ(modems[k].infSection, "Kelo56") << k;
  }
  // AttachedTo is a REG_SZ with its terminator counted.
  std::string bytes;
  DWORD type = REG_NONE;
  ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0000", "AttachedTo", &bytes, &type));
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(bytes, std::string("COM5", 5));
  // The modem data of the product's INF reached the driver keys and the shared responses key.
  std::string shared = std::string(kDeviceSpecificPath) + kResponsesKey;
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0003", "ResponsesKeyName"), kResponsesKey);
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, shared, "RefCount"), 4u);
  ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, shared + "\\Responses", "<cr><lf>CONNECT 56000<cr><lf>", &bytes, &type));
  EXPECT_EQ(bytes, std::string("\x02\x00\xC0\xDA\x00\x00\x00\x00\x00\x00", 10));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0000\\Init", "1"), "AT<cr>");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0000\\Settings", "Compression_On"), "%C1");
  ASSERT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, std::string(kModemClassKey) + "\\0000", "Properties", &bytes, &type));
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(bytes.size(), 32u);
}

TEST_F(ModemDevices, SecondCallForTheSameCardAddsDevicesAgain) {
  HostTable table(16);
  SetCard(&table, "4", 5, 4);
  EXPECT_EQ(Call(&table), 0);
  EXPECT_EQ(Call(&table), 0);
  std::vector<Modem> modems = Modems();
  ASSERT_EQ(modems.size(), 8u);
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(modems[k].attachedTo, "COM" + std::to_string(5 + k % 4)) << k;
  EXPECT_EQ(modems[7].friendlyName, "Kelo MQX 56 #8");
  EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, std::string(kDeviceSpecificPath) + kResponsesKey, "RefCount"), 8u);
}

TEST_F(ModemDevices, NineDeclaredPortsMakeEightModems) {
  HostTable table(16);
  SetCard(&table, "9", 11, 9);
  EXPECT_EQ(Call(&table), 0);
  std::vector<Modem> modems = Modems();
  ASSERT_EQ(modems.size(), 8u);
  EXPECT_EQ(modems[0].attachedTo, "COM11");
  EXPECT_EQ(modems[7].attachedTo, "COM18");
}

// Without ports, or with a port whose number cannot be read, the board gets no modem at all.
TEST_F(ModemDevices, BoardWithoutUsablePortsGetsNoModem) {
  const struct {
    const char* numPorts;  // null: not set
    const char* port2;     // null: PORT2 stays COM6; "-": PORT2 is not set
  } cases[] = {
      {nullptr, nullptr}, {"", nullptr},   {"0", nullptr},        {"none", nullptr},
      {"4", "-"},         {"4", "COM"},    {"4", "COM10000"},     {"4", "10000"},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    HostTable table(16);
    SetCard(&table, cases[row].numPorts, 5, 0);
    for (int k = 1; k <= 4; ++k) {
      std::string name = "PORT" + std::to_string(k);
      std::string value = k == 2 && cases[row].port2 != nullptr ? cases[row].port2 : "COM" + std::to_string(4 + k);
      if (value != "-") {
        ASSERT_EQ(SetScriptVar(table.params(), name.c_str(), value.c_str()), 1);
      }
    }
    EXPECT_EQ(Call(&table), 0) << "row " << row;
    EXPECT_TRUE(Modems().empty()) << "row " << row;
    EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, kModemClassKey)) << "row " << row;
  }
}

// The driver is chosen by manufacturer and description, exactly, the first match in list order.
TEST_F(ModemDevices, DriverIsTheFirstExactMatch) {
  const struct {
    std::vector<const char*> infs;  // the INF folder, besides nothing else
    const char* manufacturer;
    const char* model;
    DWORD result;
    const char* infPath;
    const char* section;
  } cases[] = {
      // The same model under another maker, and in capitals: no match.
      {{"mdmother.inf", "MDMUPPER.INF"}, "Ombrel", "Kelo MQX 56", ERROR_FILE_NOT_FOUND, nullptr, nullptr},
      {{"MDMUPPER.INF"}, "OMBREL", "KELO MQX 56", 0, "MDMUPPER.INF", "UPPER56"},
      {{"mdmother.inf", "mdmobra.inf"}, "Vantor", "Kelo MQX 56", 0, "mdmother.inf", "Vantor56"},
      // Two equal entries of one file, and two matching files.
      {{"mdmdup.inf"}, "Dupliq", "Dupliq 14400", 0, "mdmdup.inf", "DupFirst"},
      {{"mdmtwo.inf", "mdmobra.inf", "MDMUPPER.INF"}, "Ombrel", "Kelo MQX 56", 0, "mdmobra.inf", "Kelo56"},
  };
  remove(InfFolderFile("mdmobra.inf").c_str());
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    for (const char* inf : cases[row].infs) {
      if (strcmp(inf, "mdmobra.inf") == 0) {
        ASSERT_TRUE(PutProductInf());
      } else {
        ASSERT_TRUE(PutInf(inf)) << inf;
      }
    }
    const int ports[kMaxModemPorts] = {3};
    EXPECT_EQ(InstallModemDevices(ports, Wide(cases[row].model).c_str(), Wide(cases[row].manufacturer).c_str(), 1),
              cases[row].result) << "row " << row;
    std::vector<Modem> modems = Modems();
    if (cases[row].infPath == nullptr) {
      EXPECT_TRUE(modems.empty()) << "row " << row;
    } else {
      ASSERT_EQ(modems.size(), 1u) << "row " << row;
      EXPECT_EQ(modems[0].infPath, cases[row].infPath) << "row " << row;
      EXPECT_EQ(modems[0].infSection, cases[row].section) << "row " << row;
      EXPECT_EQ(modems[0].attachedTo, "COM3") << "row " << row;
    }
    ForgetModems();
    for (const char* inf : cases[row].infs) remove(InfFolderFile(inf).c_str());
  }
}

// Each step's failure ends the sequence with its code; devices registered before it stay. Four
// ports COM5 to COM8; "installed" and "attached" count the devices with a driver key and with
// AttachedTo.
TEST_F(ModemDevices, FirstFailureEndsTheSequence) {
  constexpr DWORD kFault = ERROR_NOT_ENOUGH_MEMORY;
  const struct {
    const char* operation;
    int nth;
    DWORD result;
    size_t registered, installed, attached;
  } cases[] = {
      {"SetupDiCreateDeviceInfoList", 1, kFault, 0, 0, 0},
      {"SetupDiBuildDriverInfoList", 1, kFault, 0, 0, 0},
      // Any failure of the enumeration counts as no match.
      {"SetupDiEnumDriverInfoW", 1, ERROR_FILE_NOT_FOUND, 0, 0, 0},
      {"SetupDiSetSelectedDriverW", 1, kFault, 0, 0, 0},
      {"SetupDiCreateDeviceInfoW", 3, kFault, 2, 0, 0},
      {"SetupDiRegisterDeviceInfo", 3, kFault, 2, 0, 0},
      // The installation pass stops, but the attach pass still runs and stops at the first
      // device without a driver key.
      {"SetupDiEnumDeviceInfo", 2, DWORD(ERROR_KEY_DOES_NOT_EXIST), 4, 1, 1},
      {"SetupDiCallClassInstaller", 3, DWORD(ERROR_KEY_DOES_NOT_EXIST), 4, 2, 2},
      // The attach pass: five enumerations of the installation pass come first.
      {"SetupDiEnumDeviceInfo", 8, kFault, 4, 4, 2},
      {"SetupDiOpenDevRegKey", 4, kFault, 4, 4, 3},
  };
  const int ports[kMaxModemPorts] = {5, 6, 7, 8};
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    winsim::FailCall(cases[row].operation, cases[row].nth, kFault);
    EXPECT_EQ(InstallModemDevices(ports, WTEXT("Kelo MQX 56"), WTEXT("Ombrel"), 4), cases[row].result) << "row " << row;
    winsim::ClearFaults();
    std::vector<Modem> modems = Modems();
    EXPECT_EQ(modems.size(), cases[row].registered) << "row " << row;
    size_t installed = 0, attached = 0;
    for (size_t k = 0; k < modems.size(); ++k) {
      if (modems[k].infPath != "(missing)") ++installed;
      if (modems[k].attachedTo == "COM" + std::to_string(5 + k)) ++attached;
    }
    EXPECT_EQ(installed, cases[row].installed) << "row " << row;
    EXPECT_EQ(attached, cases[row].attached) << "row " << row;
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::DeviceInfoSet), sets_) << "row " << row;
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keys_) << "row " << row;
    ForgetModems();
  }
}

// The write of AttachedTo and the close of the driver key, on a set whose four devices are
// installed already: the first of those calls that fails ends the pass with its code.
TEST_F(ModemDevices, AttachStopsAtTheFirstRegistryFailure) {
  for (const char* operation : {"RegSetValueExW", "RegCloseKey"}) {
    bool closing = strcmp(operation, "RegCloseKey") == 0;
    DWORD result = ERROR_SUCCESS;
    // The device installer may make such calls of its own first; the first that reaches the
    // pass is the one that counts.
    for (int nth = 1; nth < 20 && result == ERROR_SUCCESS; ++nth) {
      ForgetModems();
      SetupApi api;
      ASSERT_EQ(LoadSetupApi(&api), 0u);
      HDEVINFO set = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
      ASSERT_NE(set, INVALID_HANDLE_VALUE);
      ASSERT_EQ(SelectModemDriver(api, set, WTEXT("Ombrel"), WTEXT("Kelo MQX 56")), 0u);
      ASSERT_EQ(CreateModemDevices(api, set, WTEXT("Kelo MQX 56"), 4), 0u);
      ASSERT_EQ(InstallCreatedDevices(api, set), 0u);
      const int ports[kMaxModemPorts] = {5, 6, 7, 8};
      int keys = winsim::OpenCount(winsim::Resource::RegistryKey);
      winsim::FailCall(operation, nth, ERROR_ACCESS_DENIED);
      result = AttachModemPorts(api, set, ports);
      winsim::ClearFaults();
      SetupDiDestroyDeviceInfoList(set);
      FreeSetupApi(&api);
      // The simulation keeps a handle whose close failed open, as Windows keeps a handle it
      // refuses to close; the device installer's own closes can be that handle too.
      int leaked = winsim::OpenCount(winsim::Resource::RegistryKey) - keys;
      if (closing && leaked == 1) {
        ++leakedKeys_;
      } else {
        EXPECT_EQ(leaked, 0) << operation << " " << nth;
      }
    }
    ASSERT_EQ(result, DWORD(ERROR_ACCESS_DENIED)) << operation;
    std::vector<Modem> modems = Modems();
    ASSERT_EQ(modems.size(), 4u);
    // A failed close comes after its value was written.
    EXPECT_EQ(modems[0].attachedTo, closing ? "COM5" : "(missing)") << operation;
    EXPECT_EQ(modems[1].attachedTo, "(missing)") << operation;
    EXPECT_EQ(modems[3].attachedTo, "(missing)") << operation;
    ForgetModems();
  }
}

// The device installer is found at run time: without its library, or without any one of its
// functions, the export creates nothing, as when no driver list can be built, and frees what
// it loaded.
TEST_F(ModemDevices, MissingDeviceInstallerCreatesNothing) {
  HostTable table(16);
  SetCard(&table, "4", 5, 4);
  struct Case {
    const char* operation;
    int nth;
    DWORD error;
  } cases[] = {
      {"LoadLibraryA", 1, ERROR_MOD_NOT_FOUND},
      {"GetProcAddress", 1, ERROR_PROC_NOT_FOUND}, {"GetProcAddress", 5, ERROR_PROC_NOT_FOUND},
      {"GetProcAddress", 10, ERROR_PROC_NOT_FOUND},  // the last one looked up
  };
  const int ports[kMaxModemPorts] = {5, 6, 7, 8};
  // Looked up before any fault is set: the export's own lookups are the ones to fail.
  HostExport installModems = install_.Export<HostExport>("InstallModems");
  ASSERT_NE(installModems, nullptr);
  for (const Case& c : cases) {
    winsim::FailCall(c.operation, c.nth, c.error);
    EXPECT_EQ(installModems(table.params()), 0) << c.operation << " " << c.nth;
    winsim::ClearFaults();
    EXPECT_TRUE(Modems().empty()) << c.operation << " " << c.nth;
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::Module), 1) << "only install itself stays loaded";
    winsim::FailCall(c.operation, c.nth, c.error);
    EXPECT_EQ(InstallModemDevices(ports, WTEXT("Kelo MQX 56"), WTEXT("Ombrel"), 4), c.error) << c.operation;
    winsim::ClearFaults();
    EXPECT_TRUE(Modems().empty()) << c.operation << " " << c.nth;
  }
  EXPECT_EQ(Call(&table), 0);
  EXPECT_EQ(Modems().size(), 4u) << "the installer itself works";
  ForgetModems();
}

// Every setupapi and registry call of the export fails in turn, at every call it makes: the
// export returns 0, leaves no set or key open, and the devices it leaves are a prefix of the
// ports, each attached to its own.
TEST_F(ModemDevices, FaultSweepLeavesNothingOpen) {
  const char* operations[] = {
      "SetupDiCreateDeviceInfoList", "SetupDiBuildDriverInfoList", "SetupDiEnumDriverInfoW",
      "SetupDiSetSelectedDriverW",   "SetupDiCreateDeviceInfoW",   "SetupDiRegisterDeviceInfo",
      "SetupDiEnumDeviceInfo",       "SetupDiCallClassInstaller",  "SetupDiOpenDevRegKey",
      "RegSetValueExW",              "RegCloseKey",                "RegCreateKeyExW",
  };
  HostTable table(16);
  SetCard(&table, "2", 5, 2);  // two ports show the order; four would only take longer
  for (const char* operation : operations) {
    // A fault the device installer absorbs also completes a round, so the sweep ends only
    // after a long run of complete rounds.
    int completeRounds = 0;
    bool completed = false;
    bool failed = false;
    for (int nth = 1; nth < 3000 && completeRounds < 150; ++nth) {
      int keys = winsim::OpenCount(winsim::Resource::RegistryKey);
      winsim::FailCall(operation, nth, ERROR_ACCESS_DENIED);
      EXPECT_EQ(Call(&table), 0) << operation << " " << nth;
      winsim::ClearFaults();
      EXPECT_EQ(winsim::OpenCount(winsim::Resource::DeviceInfoSet), sets_) << operation << " " << nth;
      int leaked = winsim::OpenCount(winsim::Resource::RegistryKey) - keys;
      if (strcmp(operation, "RegCloseKey") == 0 && leaked == 1) {
        leaked = 0;  // the handle whose close failed
        ++leakedKeys_;
      }
      EXPECT_EQ(leaked, 0) << operation << " " << nth;
      std::vector<Modem> modems = Modems();
      EXPECT_LE(modems.size(), 2u) << operation << " " << nth;
      size_t attached = 0;
      while (attached < modems.size() && modems[attached].attachedTo == "COM" + std::to_string(5 + attached)) ++attached;
      for (size_t k = attached; k < modems.size(); ++k) {
        EXPECT_EQ(modems[k].attachedTo, "(missing)") << operation << " " << nth << " device " << k;
      }
      completed = attached == 2;
      completeRounds = completed ? completeRounds + 1 : 0;
      failed = failed || !completed;
      ForgetModems();
    }
    EXPECT_TRUE(completed) << operation;
    EXPECT_TRUE(failed) << operation << " never failed";
  }
}

#endif  // !_WIN32

}  // namespace
