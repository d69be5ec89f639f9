// ReattachModems and OpenModemClassKey on modem class keys imported from .reg fixtures, on both
// builds. Under Wine the class key belongs to the prefix: a case runs only when the key is
// missing or has no instance keys, and it leaves the key as it found it.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "modem_reattach.h"
#include "wide_text.h"
#include "registry_fixture.h"
#include "registry_keys.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

const std::string kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";

std::vector<std::string> Subkeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[256];
  DWORD length = sizeof name;
  for (DWORD index = 0;
       RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++index, length = sizeof name) {
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

// AttachedTo of instance `name` as the bytes stored, or "<none>".
std::string AttachedTo(const std::string& name) {
  std::string bytes;
  if (!ReadValueA(HKEY_LOCAL_MACHINE, kClass + "\\" + name, "AttachedTo", &bytes)) return "<none>";
  return bytes;
}

// A REG_SZ as RegSetValueExA stores it from ReattachModems: the text and its NUL.
std::string Sz(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

class Reattach : public ::testing::Test {
 protected:
  void SetUp() override {
    classExisted_ = KeyIsPresent(HKEY_LOCAL_MACHINE, kClass);
    if (classExisted_ && !Subkeys(kClass).empty()) {
      // Only possible under Wine: the instance keys there are not ours to change.
      GTEST_SKIP() << "the modem class key of this system already has instance keys";
    }
    owner_ = true;
#ifndef _WIN32
    keysBefore_ = winsim::OpenCount(winsim::Resource::RegistryKey);
#endif
  }
  void TearDown() override {
    if (!owner_) return;
#ifndef _WIN32
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), keysBefore_ + leaked_)
        << "a key stayed open";
#endif
    if (classExisted_) {
      for (const std::string& name : Subkeys(kClass)) {
        EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, kClass + "\\" + name), ERROR_SUCCESS);
      }
      EXPECT_TRUE(Subkeys(kClass).empty());
    } else {
      EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, kClass), ERROR_SUCCESS);
      EXPECT_FALSE(KeyIsPresent(HKEY_LOCAL_MACHINE, kClass));
    }
  }
  void Import(const char* fixture) { ASSERT_TRUE(ImportRegFixture(fixture)) << fixture; }
  void ExpectPorts(const std::vector<std::pair<std::string, std::string>>& expected,
                   const std::string& context) {
    for (const auto& key : expected) {
      EXPECT_EQ(AttachedTo(key.first), key.second) << context << ", key " << key.first;
    }
  }

  bool classExisted_ = false;
  bool owner_ = false;
  int keysBefore_ = 0;
  int leaked_ = 0;
};

// Calls in sequence on modem_class_ports.reg (com3, COM5, COM4, COM5, COM3, Com5), as the
// dialog makes them, one call per port.
TEST_F(Reattach, RewritesEveryMatchWithoutRegardToCase) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> calls;  // new, old
    std::vector<const char*> expected;                      // 0000 to 0005
  } cases[] = {
      {"one port renamed, the value spelled in lower case",
       {{"COM7", "COM3"}},
       {"COM7", "COM5", "COM4", "COM5", "COM7", "Com5"}},
      {"the new name as the caller spells it",
       {{"com8", "cOm5"}},
       {"com3", "com8", "COM4", "com8", "COM3", "com8"}},
      {"two ports swapped in two calls",
       {{"COM4", "COM3"}, {"COM3", "COM4"}},
       {"COM3", "COM5", "COM3", "COM5", "COM3", "Com5"}},
      {"an unchanged port is written again with the caller's text",
       {{"COM5", "COM5"}},
       {"com3", "COM5", "COM4", "COM5", "COM3", "COM5"}},
      {"no modem on the old port",
       {{"COM9", "COM1"}},
       {"com3", "COM5", "COM4", "COM5", "COM3", "Com5"}},
      {"a prefix of a port name is not that port",
       {{"COM9", "COM"}, {"COM9", "COM33"}},
       {"com3", "COM5", "COM4", "COM5", "COM3", "Com5"}},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    Import("modem_class_ports.reg");
    for (const auto& call : cases[row].calls) {
      EXPECT_EQ(ReattachModems(call.first, call.second), ERROR_SUCCESS)
          << "row " << row << ": " << cases[row].what;
    }
    for (size_t key = 0; key < cases[row].expected.size(); ++key) {
      EXPECT_EQ(AttachedTo("000" + std::to_string(key)), Sz(cases[row].expected[key]))
          << "row " << row << ": " << cases[row].what << ", key 000" << key;
    }
    std::string friendly;
    EXPECT_TRUE(ReadValueA(HKEY_LOCAL_MACHINE, kClass + "\\0000", "FriendlyName", &friendly));
    EXPECT_EQ(friendly, Sz("Modem A")) << "row " << row;
  }
}

TEST_F(Reattach, ThreeModemsOnOnePortAllFollow) {
  Import("modem_class_three.reg");
  EXPECT_EQ(ReattachModems("COM9", "COM5"), ERROR_SUCCESS);
  ExpectPorts({{"0000", Sz("COM9")}, {"0001", Sz("COM9")}, {"0002", Sz("COM9")}}, "COM5 to COM9");
}

#ifdef _WIN32
// Wine's reg import terminates every string it imports; an unterminated one is made with
// RegSetValueExW and data whose next character is not a NUL.
void StoreUnterminated(const std::string& name, const char* text) {
  std::vector<WCHAR> wide(text, text + strlen(text));
  wide.push_back('X');
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kClass + "\\" + name).c_str(), 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, WTEXT("AttachedTo"), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                           static_cast<DWORD>((wide.size() - 1) * sizeof(WCHAR))),
            ERROR_SUCCESS);
  RegCloseKey(key);
}
#endif

// Values without a terminator are compared as the bytes read; 0003 fills the 20-byte buffer
// exactly and must not be read past.
TEST_F(Reattach, UnterminatedValuesAreComparedAsTheBytesRead) {
  Import("modem_class_unterminated.reg");
#ifdef _WIN32
  StoreUnterminated("0000", "COM3");
  StoreUnterminated("0001", "COM");
  StoreUnterminated("0003", "COM3XXXXXXXXXXXXXXXX");
  StoreUnterminated("0004", "COM34");
#endif
  EXPECT_EQ(ReattachModems("COM6", "COM3"), ERROR_SUCCESS);
  ExpectPorts({{"0000", Sz("COM6")},
               {"0001", "COM"},
               {"0002", Sz("COM6")},
               {"0003", "COM3XXXXXXXXXXXXXXXX"},
               {"0004", "COM34"}},
              "COM3 to COM6");
}

TEST_F(Reattach, ClassKeyWithoutInstancesIsNotAnError) {
  ASSERT_TRUE(CreateKeyA(HKEY_LOCAL_MACHINE, kClass));
  EXPECT_EQ(ReattachModems("COM4", "COM3"), ERROR_SUCCESS);
  EXPECT_TRUE(Subkeys(kClass).empty());
}

TEST_F(Reattach, MissingClassKeyIsTheOpensError) {
  if (classExisted_) GTEST_SKIP() << "this system has a modem class key";
  EXPECT_EQ(ReattachModems("COM4", "COM3"), ERROR_FILE_NOT_FOUND);
  HKEY key = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(OpenModemClassKey(&key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, reinterpret_cast<HKEY>(0x1234)) << "the handle is untouched on failure";
}

TEST_F(Reattach, OpenModemClassKeyGivesAReadableClassKey) {
  Import("modem_class_three.reg");
  EXPECT_EQ(OpenModemClassKey(nullptr), ERROR_INVALID_PARAMETER);
  HKEY key = nullptr;
  ASSERT_EQ(OpenModemClassKey(&key), ERROR_SUCCESS);
  char name[8];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "0002");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// The walk ends at the first key it cannot handle; keys before it have been rewritten, keys
// after it keep the old port.
TEST_F(Reattach, WalkStopsAtTheFirstKeyItCannotRead) {
  struct Case {
    const char* fixture;
    LONG expected;
    std::vector<std::pair<std::string, std::string>> after;
  } cases[] = {
      {"modem_class_no_value.reg", ERROR_FILE_NOT_FOUND, {{"0000", "<none>"}, {"0001", Sz("COM3")}}},
      // 19 characters and the NUL fit; 20 characters are ERROR_MORE_DATA.
      {"modem_class_long_value.reg",
       ERROR_MORE_DATA,
       {{"0000", Sz("COM7")},
        {"0001", Sz("COM3456789ABCDEFGHI")},
        {"0002", Sz("COM3456789ABCDEFGHIJ")},
        {"0003", Sz("COM3")}}},
      // Instance names have room for four characters.
      {"modem_class_long_name.reg",
       ERROR_MORE_DATA,
       {{"0000", Sz("COM7")}, {"00001", Sz("COM3")}, {"0001", Sz("COM3")}}},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    Import(cases[row].fixture);
    EXPECT_EQ(ReattachModems("COM7", "COM3"), cases[row].expected) << cases[row].fixture;
    ExpectPorts(cases[row].after, cases[row].fixture);
    for (const std::string& name : Subkeys(kClass)) {
      ASSERT_EQ(DeleteKeyTreeBottomUp(HKEY_LOCAL_MACHINE, kClass + "\\" + name), ERROR_SUCCESS);
    }
  }
}

TEST_F(Reattach, NamesLongerThanSevenCharactersAreRefused) {
  Import("modem_class_three.reg");
#ifndef _WIN32
  // Refused before anything is opened: an open that would fail is never reached.
  winsim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
#endif
  struct Case {
    const char* newName;
    const char* oldName;
  } cases[] = {
      {"COM12345", "COM5"}, {"COM9", "COM12345"}, {nullptr, "COM5"}, {"COM9", nullptr},
      {"COM5ABCDEFGHIJKLMNOP", "COM5"},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    EXPECT_EQ(ReattachModems(cases[row].newName, cases[row].oldName), ERROR_INVALID_PARAMETER)
        << "row " << row;
  }
#ifndef _WIN32
  HKEY probe = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &probe), ERROR_ACCESS_DENIED)
      << "a refused call opened a key";
  winsim::ClearFaults();
#endif
  ExpectPorts({{"0000", Sz("COM5")}, {"0001", Sz("COM5")}, {"0002", Sz("COM5")}}, "refused");
  // Seven characters are the most the caller's 8-byte texts hold, and they are accepted.
  EXPECT_EQ(ReattachModems("COM1234", "COM5"), ERROR_SUCCESS);
  EXPECT_EQ(ReattachModems("COM5", "com1234"), ERROR_SUCCESS);
  ExpectPorts({{"0000", Sz("COM5")}, {"0001", Sz("COM5")}, {"0002", Sz("COM5")}}, "seven characters");
}

#ifndef _WIN32
// Natively only: fault injection is the simulation's. Each registry call of a walk over three
// modems on COM5 fails in turn.
//
// Calls in order: RegOpenKeyExA 1-5 (SYSTEM to the class key) with RegCloseKey 1-4 for the keys
// above; per instance j (0-2): RegEnumKeyExA j+1, RegOpenKeyExA 6+2j (read), RegQueryValueExA
// j+1, RegCloseKey 5+2j, RegOpenKeyExA 7+2j (write), RegSetValueExA j+1, RegCloseKey 6+2j; then
// RegEnumKeyExA 4 (the end) and RegCloseKey 11 for the class key, whose result is returned.
// A failed close of the other keys is not reported: the walk goes on.
TEST_F(Reattach, EachFailingRegistryCallEndsTheWalkWithItsCode) {
  const LONG kError = 1016;  // ERROR_REGISTRY_IO_FAILED
  struct Outcome {
    LONG result;
    int rewritten;  // instance keys 0000.. that read COM9 afterwards
  };
  struct Call {
    const char* name;
    int count;  // calls of a walk that runs to its end
    Outcome (*outcome)(int nth, LONG error);
  } calls[] = {
      {"RegOpenKeyExA", 11,
       [](int nth, LONG error) {
         if (nth <= 5) return Outcome{error, 0};
         return nth <= 11 ? Outcome{error, (nth - 6) / 2} : Outcome{0, 3};
       }},
      {"RegEnumKeyExA", 4,
       [](int nth, LONG error) { return nth <= 4 ? Outcome{error, nth - 1} : Outcome{0, 3}; }},
      {"RegQueryValueExA", 3,
       [](int nth, LONG error) { return nth <= 3 ? Outcome{error, nth - 1} : Outcome{0, 3}; }},
      {"RegSetValueExA", 3,
       [](int nth, LONG error) { return nth <= 3 ? Outcome{error, nth - 1} : Outcome{0, 3}; }},
      {"RegCloseKey", 11,
       [](int nth, LONG error) { return nth == 11 ? Outcome{error, 3} : Outcome{0, 3}; }},
  };
  for (const Call& call : calls) {
    // One past the last call: the walk runs to its end untouched.
    for (int nth = 1; nth <= call.count + 1; ++nth) {
      std::string context = std::string(call.name) + " #" + std::to_string(nth);
      Outcome expected = call.outcome(nth, kError);
      Import("modem_class_three.reg");
      int before = winsim::OpenCount(winsim::Resource::RegistryKey);
      winsim::FailCall(call.name, nth, static_cast<DWORD>(kError));
      EXPECT_EQ(ReattachModems("COM9", "COM5"), expected.result) << context;
      winsim::ClearFaults();
      // The simulation keeps a handle whose RegCloseKey failed open; every other path closes all.
      bool closeFailed = std::string(call.name) == "RegCloseKey" && nth <= call.count;
      int leaked = winsim::OpenCount(winsim::Resource::RegistryKey) - before;
      EXPECT_EQ(leaked, closeFailed ? 1 : 0) << context;
      leaked_ += leaked;
      for (int key = 0; key < 3; ++key) {
        EXPECT_EQ(AttachedTo("000" + std::to_string(key)),
                  Sz(key < expected.rewritten ? "COM9" : "COM5"))
            << context << ", key 000" << key;
      }
    }
  }
}
#endif

}  // namespace
