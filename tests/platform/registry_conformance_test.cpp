// Registry behaviour the product relies on, pinned on both builds: natively against the
// simulated registry, under Wine against Wine's advapi32. Every case works below a key of its
// own (HKEY_CURRENT_USER\Software\WinsimTests\<test>), deleted before and after.
//
// Where Wine and Windows part, the simulation does what Windows does and the case says so with
// both expectations in place; cases only the simulation can run are marked with the reason.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry_fixture.h"
#include "wide_text.h"
#ifndef _WIN32
#include "winsim.h"
#endif

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr BYTE kFill = 0xA5;  // what an output buffer holds before the call

using WString = std::basic_string<WCHAR>;

// Registry functions return their code and leave the last error alone, on success and on
// failure: every call here seeds it and checks it afterwards.
template <typename Call>
LONG Checked(Call call, const char* text) {
  SetLastError(kSentinel);
  LONG status = call();
  EXPECT_EQ(GetLastError(), kSentinel) << text << " changed the last error";
  return status;
}
#define REG(call) Checked([&]() -> LONG { return (call); }, #call)

std::vector<BYTE> Bytes(const void* data, size_t size) {
  const BYTE* p = static_cast<const BYTE*>(data);
  return std::vector<BYTE>(p, p + size);
}
std::vector<BYTE> Bytes(const std::string& text) { return Bytes(text.data(), text.size()); }
// 16-bit text as stored: UTF-16LE, `units` characters from `text` (terminator included if asked).
std::vector<BYTE> WideBytes(const WCHAR* text, size_t units) {
  std::vector<BYTE> bytes;
  for (size_t i = 0; i < units; ++i) {
    bytes.push_back(static_cast<BYTE>(text[i] & 0xFF));
    bytes.push_back(static_cast<BYTE>((text[i] >> 8) & 0xFF));
  }
  return bytes;
}

std::string Hex(const std::vector<BYTE>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (BYTE b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

bool AllFill(const BYTE* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != kFill) return false;
  }
  return true;
}

// A key handle closed at the end of the scope.
class Opened {
 public:
  Opened() = default;
  ~Opened() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }
  HKEY release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }

 private:
  HKEY key_ = nullptr;
};

class Registry : public ::testing::Test {
 protected:
  HKEY key() const { return testKey_.Handle(); }

  // Creates (or opens) `path` below the test key; the handle is closed with the test.
  HKEY Create(const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY made = nullptr;
    EXPECT_EQ(REG(RegCreateKeyExA(key(), path, 0, nullptr, 0, access, nullptr, &made, nullptr)),
              ERROR_SUCCESS)
        << path;
    if (made != nullptr) handles_.push_back(made);
    return made;
  }

  void SetA(HKEY target, const char* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(REG(RegSetValueExA(target, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size()))),
              ERROR_SUCCESS)
        << name;
  }
  void SetW(HKEY target, const WCHAR* name, DWORD type, const std::vector<BYTE>& bytes) {
    ASSERT_EQ(
        REG(RegSetValueExW(target, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()))),
        ERROR_SUCCESS);
  }

  // The value's bytes by RegQueryValueExW; also checks that a buffer of exactly that size is
  // filled without a byte past it.
  std::vector<BYTE> QueryW(HKEY target, const WCHAR* name, DWORD* type = nullptr) {
    DWORD size = 0;
    EXPECT_EQ(REG(RegQueryValueExW(target, name, nullptr, type, nullptr, &size)), ERROR_SUCCESS);
    std::vector<BYTE> buffer(size + 1, kFill);
    DWORD capacity = size;
    EXPECT_EQ(REG(RegQueryValueExW(target, name, nullptr, type, buffer.data(), &capacity)),
              ERROR_SUCCESS);
    EXPECT_EQ(capacity, size);
    EXPECT_EQ(buffer[size], kFill) << "written past the data";
    buffer.resize(size);
    return buffer;
  }
  std::vector<BYTE> QueryA(HKEY target, const char* name, DWORD* type = nullptr) {
    DWORD size = 0;
    EXPECT_EQ(REG(RegQueryValueExA(target, name, nullptr, type, nullptr, &size)), ERROR_SUCCESS)
        << name;
    std::vector<BYTE> buffer(size + 1, kFill);
    DWORD capacity = size;
    EXPECT_EQ(REG(RegQueryValueExA(target, name, nullptr, type, buffer.data(), &capacity)),
              ERROR_SUCCESS)
        << name;
    EXPECT_EQ(capacity, size) << name;
    EXPECT_EQ(buffer[size], kFill) << name << ": written past the data";
    buffer.resize(size);
    return buffer;
  }

  std::vector<std::string> SubkeysA(HKEY target) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      char name[256];
      DWORD length = sizeof name;
      LONG status =
          REG(RegEnumKeyExA(target, index, name, &length, nullptr, nullptr, nullptr, nullptr));
      if (status != ERROR_SUCCESS) {
        EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
        break;
      }
      EXPECT_EQ(length, strlen(name));
      names.emplace_back(name);
    }
    return names;
  }
  std::vector<std::string> ValueNamesA(HKEY target) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      char name[256];
      DWORD length = sizeof name;
      LONG status =
          REG(RegEnumValueA(target, index, name, &length, nullptr, nullptr, nullptr, nullptr));
      if (status != ERROR_SUCCESS) {
        EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
        break;
      }
      names.emplace_back(name, length);
    }
    return names;
  }

  void TearDown() override {
    for (HKEY handle : handles_) RegCloseKey(handle);
  }

  TestKey testKey_;
  std::vector<HKEY> handles_;
};

// --- opening and creating keys ------------------------------------------------------------------

TEST_F(Registry, CreateOpensAnExistingKeyWithoutRegardToCaseAndKeepsItsFirstCase) {
  struct Case {
    const char* created;
    const char* again;
  } cases[] = {
      {"Mixed Case", "mIXED cASE"}, {"\xC9t\xE9 \xC0", "\xE9T\xC9 \xE0"},  // Latin-1 letters, 8-bit
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    Opened first, second, opened;
    DWORD disposition = 0;
    ASSERT_EQ(REG(RegCreateKeyExA(key(), c.created, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  first.out(), &disposition)),
              ERROR_SUCCESS)
        << "row " << row;
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY)) << "row " << row;
    ASSERT_EQ(REG(RegCreateKeyExA(key(), c.again, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  second.out(), &disposition)),
              ERROR_SUCCESS)
        << "row " << row;
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY)) << "row " << row;
    EXPECT_EQ(REG(RegOpenKeyExA(key(), c.again, 0, KEY_READ, opened.out())), ERROR_SUCCESS)
        << "row " << row;
    EXPECT_NE(first.get(), second.get()) << "row " << row;
  }
  EXPECT_EQ(SubkeysA(key()), (std::vector<std::string>{"Mixed Case", "\xC9t\xE9 \xC0"}));

  // The same through the W functions, with a letter beyond Latin-1.
  Opened made, again;
  ASSERT_EQ(REG(RegCreateKeyExW(key(), WTEXT("\x0160koda"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                made.out(), nullptr)),
            ERROR_SUCCESS);
  EXPECT_EQ(REG(RegOpenKeyExW(key(), WTEXT("\x0161KODA"), 0, KEY_READ, again.out())),
            ERROR_SUCCESS);
}

TEST_F(Registry, PathsWithBackslashesOpenNestedKeysInOneCall) {
  Opened made;
  ASSERT_EQ(REG(RegCreateKeyExA(key(), "One\\Two\\Three", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                made.out(), nullptr)),
            ERROR_SUCCESS);
  ASSERT_EQ(
      REG(RegSetValueExA(made.get(), "Here", 0, REG_SZ, reinterpret_cast<const BYTE*>("yes"), 4)),
      ERROR_SUCCESS);
  struct Case {
    const char* path;
    LONG status;
  } cases[] = {
      {"One", ERROR_SUCCESS},
      {"One\\Two", ERROR_SUCCESS},
      {"ONE\\two\\THREE", ERROR_SUCCESS},
      {"One\\Two\\Three\\", ERROR_SUCCESS},  // a trailing backslash names the same key
      {"One\\\\Two", ERROR_SUCCESS},         // so does a doubled one
      {"\\One", ERROR_BAD_PATHNAME},         // a path may not begin with a backslash
      {"One\\Missing", ERROR_FILE_NOT_FOUND},
      {"Missing\\Two", ERROR_FILE_NOT_FOUND},
      {"Missing", ERROR_FILE_NOT_FOUND},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    Opened opened;
    EXPECT_EQ(REG(RegOpenKeyExA(key(), cases[row].path, 0, KEY_READ, opened.out())),
              cases[row].status)
        << "row " << row << ": " << cases[row].path;
  }
  Opened deep;
  ASSERT_EQ(REG(RegOpenKeyExA(key(), "one\\two\\three", 0, KEY_READ, deep.out())), ERROR_SUCCESS);
  EXPECT_EQ(QueryA(deep.get(), "Here"), Bytes(std::string("yes", 4)));

  Opened refused;
  EXPECT_EQ(REG(RegCreateKeyExA(key(), "\\Lead", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                refused.out(), nullptr)),
            ERROR_BAD_PATHNAME);
  EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Lead")));
}

TEST_F(Registry, EmptyOrNullSubkeyOpensTheSameKeyAsANewHandle) {
  struct Case {
    const char* label;
    LONG (*open)(HKEY, HKEY*);
  } cases[] = {
      {"RegOpenKeyExA \"\"",
       [](HKEY k, HKEY* r) { return RegOpenKeyExA(k, "", 0, KEY_ALL_ACCESS, r); }},
      {"RegOpenKeyExA NULL",
       [](HKEY k, HKEY* r) { return RegOpenKeyExA(k, nullptr, 0, KEY_ALL_ACCESS, r); }},
      {"RegOpenKeyExW \"\"",
       [](HKEY k, HKEY* r) { return RegOpenKeyExW(k, WTEXT(""), 0, KEY_ALL_ACCESS, r); }},
      {"RegOpenKeyExW NULL",
       [](HKEY k, HKEY* r) { return RegOpenKeyExW(k, nullptr, 0, KEY_ALL_ACCESS, r); }},
      {"RegCreateKeyExA \"\"",
       [](HKEY k, HKEY* r) {
         return RegCreateKeyExA(k, "", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, r, nullptr);
       }},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    HKEY again = nullptr;
    ASSERT_EQ(REG(cases[row].open(key(), &again)), ERROR_SUCCESS) << cases[row].label;
    EXPECT_NE(again, nullptr) << cases[row].label;
    EXPECT_NE(again, key()) << cases[row].label << ": not a new handle";
    std::string text = std::to_string(row);
    SetA(again, "Through", REG_SZ, text + '\0');
    EXPECT_EQ(QueryA(key(), "Through"), Bytes(text + '\0')) << cases[row].label;
    EXPECT_EQ(REG(RegCloseKey(again)), ERROR_SUCCESS) << cases[row].label;
    EXPECT_EQ(REG(RegCloseKey(again)), ERROR_INVALID_HANDLE)
        << cases[row].label << ": closed twice";
  }
  EXPECT_EQ(QueryA(key(), "Through"),
            Bytes(std::string("4", 2)));  // the test's own handle lives on
}

#ifndef _WIN32
// Simulation only: Windows refuses key names longer than 255 characters (the registry's
// element size limits); Wine 8 accepts them.
TEST_F(Registry, KeyNamesLongerThan255CharactersAreRefused) {
  std::string longest(255, 'k');
  std::string tooLong(256, 'k');
  struct Case {
    std::string path;
    LONG status;
  } cases[] = {
      {longest, ERROR_SUCCESS},
      {tooLong, ERROR_INVALID_PARAMETER},
      {"Parent\\" + tooLong, ERROR_INVALID_PARAMETER},
      {tooLong + "\\Child", ERROR_INVALID_PARAMETER},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    Opened made, opened;
    EXPECT_EQ(REG(RegCreateKeyExA(key(), cases[row].path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, made.out(), nullptr)),
              cases[row].status)
        << "row " << row;
    LONG openStatus = cases[row].status == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    EXPECT_EQ(REG(RegOpenKeyExA(key(), cases[row].path.c_str(), 0, KEY_READ, opened.out())),
              openStatus)
        << "row " << row;
  }
  // A refused path creates nothing on the way.
  EXPECT_EQ(SubkeysA(key()), std::vector<std::string>{longest});
}

// Simulation only: Windows bounds the key tree at 512 levels; Wine 8 has no bound. A path that
// would go deeper is refused as a whole.
TEST_F(Registry, KeysNestDeeperThan512LevelsNowhere) {
  std::string path = "d";
  for (int level = 2; level <= 512; ++level) path += "\\d";
  Opened deepest, tooDeep, twoTooDeep;
  ASSERT_EQ(REG(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, deepest.out(), nullptr)),
            ERROR_SUCCESS);
  EXPECT_EQ(REG(RegCreateKeyExA(deepest.get(), "e", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                tooDeep.out(), nullptr)),
            ERROR_INVALID_PARAMETER);
  Opened level510;
  ASSERT_EQ(REG(RegOpenKeyExA(HKEY_CURRENT_USER, path.substr(0, path.size() - 4).c_str(), 0,
                              KEY_ALL_ACCESS, level510.out())),
            ERROR_SUCCESS);
  EXPECT_EQ(REG(RegCreateKeyExA(level510.get(), "x\\y\\z", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                twoTooDeep.out(), nullptr)),
            ERROR_INVALID_PARAMETER);
  Opened notMade;
  EXPECT_EQ(REG(RegOpenKeyExA(level510.get(), "x", 0, KEY_READ, notMade.out())),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, "d"), ERROR_SUCCESS);
}
#endif

// --- values -------------------------------------------------------------------------------------

TEST_F(Registry, EveryTypeComesBackExactlyAsStored) {
  const WCHAR text[] = WTEXT("Kelo 56");
  const WCHAR multi[] = WTEXT("COM3\0COM4\0");
  struct Case {
    const WCHAR* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {WTEXT("Text"), REG_SZ, WideBytes(text, 8)},
      {WTEXT("Expand"), REG_EXPAND_SZ, WideBytes(WTEXT("%SystemRoot%\\inf"), 17)},
      {WTEXT("Multi"), REG_MULTI_SZ, WideBytes(multi, 11)},
      {WTEXT("Binary"), REG_BINARY, {0x00, 0xFF, 0x10, 0x00}},
      {WTEXT("Number"), REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
      {WTEXT("Big"), REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {WTEXT("Nothing"), REG_NONE, {}},
      {WTEXT("Empty text"), REG_SZ, {}},
      {WTEXT(""), REG_SZ, WideBytes(WTEXT("default"), 8)},
  };
  for (const Case& c : cases) SetW(key(), c.name, c.type, c.data);
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    DWORD type = kSentinel;
    EXPECT_EQ(Hex(QueryW(key(), cases[row].name, &type)), Hex(cases[row].data)) << "row " << row;
    EXPECT_EQ(type, cases[row].type) << "row " << row;
  }
  // NULL names the default value too.
  EXPECT_EQ(QueryW(key(), nullptr), WideBytes(WTEXT("default"), 8));
}

TEST_F(Registry, AnsiFunctionsConvertStringDataThroughCodePage1252) {
  struct Case {
    const char* name;
    DWORD type;
    std::string ansi;          // as RegSetValueExA takes it and RegQueryValueExA gives it back
    std::vector<BYTE> stored;  // as RegQueryValueExW sees it
  } cases[] = {
      {"Text", REG_SZ, std::string("abc", 4), WideBytes(WTEXT("abc"), 4)},
      {"Latin", REG_SZ, std::string("\xE9t\xE9 \x80\x81", 7),
       WideBytes(WTEXT("\x00E9t\x00E9 \x20AC\x0081"), 7)},
      {"Expand", REG_EXPAND_SZ, std::string("%WINDIR%", 9), WideBytes(WTEXT("%WINDIR%"), 9)},
      {"Multi", REG_MULTI_SZ, std::string("a\0bc\0", 6), WideBytes(WTEXT("a\0bc\0"), 6)},
      {"Binary", REG_BINARY, std::string("ab", 2), {'a', 'b'}},
      {"Number", REG_DWORD, std::string("\x01\x00\x00\x00", 4), {1, 0, 0, 0}},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    SetA(key(), c.name, c.type, c.ansi);
    WString wideName(c.name, c.name + strlen(c.name));
    DWORD type = 0;
    EXPECT_EQ(Hex(QueryW(key(), wideName.c_str(), &type)), Hex(c.stored)) << "row " << row;
    EXPECT_EQ(type, c.type) << "row " << row;
    // The size of A data is that of its 8-bit form.
    EXPECT_EQ(Hex(QueryA(key(), c.name)), Hex(Bytes(c.ansi))) << "row " << row;
  }
  // A character 1252 lacks comes back as '?'.
  const WCHAR cjk[] = {'a', 0x4E00, 0};
  SetW(key(), WTEXT("Wide"), REG_SZ, WideBytes(cjk, 3));
  EXPECT_EQ(QueryA(key(), "Wide"), Bytes(std::string("a?", 3)));
}

TEST_F(Registry, QueryWithoutABufferGivesTheSizeNeeded) {
  SetW(key(), WTEXT("Text"), REG_SZ, WideBytes(WTEXT("12345"), 6));
  SetA(key(), "Number", REG_DWORD, std::string(4, '\x07'));
  struct Case {
    const char* name;
    bool ansi;
    DWORD size;
  } cases[] = {
      {"Text", false, 12},
      {"Text", true, 6},  // 8-bit characters
      {"Number", false, 4},
      {"Number", true, 4},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    WString wideName(c.name, c.name + strlen(c.name));
    DWORD type = kSentinel;
    DWORD size = 1;  // no buffer: whatever it says is replaced by the size needed
    LONG status =
        c.ansi ? REG(RegQueryValueExA(key(), c.name, nullptr, &type, nullptr, &size))
               : REG(RegQueryValueExW(key(), wideName.c_str(), nullptr, &type, nullptr, &size));
    EXPECT_EQ(status, ERROR_SUCCESS) << "row " << row;
    EXPECT_EQ(size, c.size) << "row " << row;
    EXPECT_NE(type, kSentinel) << "row " << row;
  }
  // Neither type, buffer nor size: the value exists.
  EXPECT_EQ(REG(RegQueryValueExA(key(), "Text", nullptr, nullptr, nullptr, nullptr)),
            ERROR_SUCCESS);
}

TEST_F(Registry, ABufferTooSmallGetsMoreDataTheSizeAndNothingElse) {
  SetW(key(), WTEXT("Text"), REG_SZ, WideBytes(WTEXT("Kelo"), 5));
  SetA(key(), "Number", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
  SetA(key(), "Binary", REG_BINARY, std::string(40, 'b'));
  struct Case {
    const char* name;
    bool ansi;
    DWORD capacity;
    DWORD needed;
    DWORD type;
  } cases[] = {
      {"Text", false, 9, 10, REG_SZ},  // room for all but half the terminator
      {"Text", false, 0, 10, REG_SZ},
      {"Text", true, 4, 5, REG_SZ},  // the text without its terminator does not do
      {"Text", true, 1, 5, REG_SZ},
      {"Number", false, 3, 4, REG_DWORD},
      {"Number", true, 0, 4, REG_DWORD},
      {"Binary", true, 39, 40, REG_BINARY},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    WString wideName(c.name, c.name + strlen(c.name));
    BYTE buffer[64];
    memset(buffer, kFill, sizeof buffer);
    DWORD size = c.capacity;
    DWORD type = kSentinel;
    LONG status =
        c.ansi ? REG(RegQueryValueExA(key(), c.name, nullptr, &type, buffer, &size))
               : REG(RegQueryValueExW(key(), wideName.c_str(), nullptr, &type, buffer, &size));
    EXPECT_EQ(status, ERROR_MORE_DATA) << "row " << row;
    EXPECT_EQ(size, c.needed) << "row " << row;
    EXPECT_EQ(type, c.type) << "row " << row << ": the type is reported too";
    EXPECT_TRUE(AllFill(buffer, sizeof buffer)) << "row " << row << ": the buffer was written";
  }
}

TEST_F(Registry, AStringStoredWithoutTerminatorComesBackWithoutOne) {
  // The character after the given size is not a NUL: Windows (and Wine) count a NUL found right
  // after the data as its terminator, which is not what this case is about.
  const WCHAR wide[] = WTEXT("xyzQ");
  SetW(key(), WTEXT("Wide"), REG_SZ, WideBytes(wide, 3));
  ASSERT_EQ(
      REG(RegSetValueExA(key(), "Narrow", 0, REG_SZ, reinterpret_cast<const BYTE*>("xyzQ"), 3)),
      ERROR_SUCCESS);
  for (const char* name : {"Wide", "Narrow"}) {
    WString wideName(name, name + strlen(name));
    EXPECT_EQ(Hex(QueryW(key(), wideName.c_str())), Hex(WideBytes(wide, 3))) << name;
    // 3 bytes, no terminator: the product must place one itself.
    EXPECT_EQ(Hex(QueryA(key(), name)), Hex(Bytes(std::string("xyz")))) << name;
  }
  // Enumerated, it is the same.
  char name[16];
  DWORD nameLength = sizeof name;
  BYTE data[4];
  memset(data, kFill, sizeof data);
  DWORD size = 3;
  ASSERT_EQ(REG(RegEnumValueA(key(), 0, name, &nameLength, nullptr, nullptr, data, &size)),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(memcmp(data, "xyz", 3), 0);
  EXPECT_EQ(data[3], kFill);
}

TEST_F(Registry, ValueNamesCompareWithoutRegardToCase) {
  SetA(key(), "Friendly Name", REG_SZ, std::string("one", 4));
  SetA(key(), "FRIENDLY NAME", REG_SZ, std::string("two", 4));  // the same value
  EXPECT_EQ(QueryA(key(), "friendly name"), Bytes(std::string("two", 4)));
  EXPECT_EQ(ValueNamesA(key()), std::vector<std::string>{"Friendly Name"})
      << "keeps its first case";
  SetA(key(), "", REG_SZ, std::string("default", 8));
  EXPECT_EQ(QueryA(key(), nullptr), Bytes(std::string("default", 8)));
  EXPECT_EQ(REG(RegDeleteValueA(key(), nullptr)), ERROR_SUCCESS);
  EXPECT_EQ(REG(RegQueryValueExA(key(), "", nullptr, nullptr, nullptr, nullptr)),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, MissingValuesAreNotFound) {
  SetA(key(), "Present", REG_SZ, std::string("x", 2));
  DWORD size = 16;
  BYTE buffer[16];
  EXPECT_EQ(REG(RegQueryValueExA(key(), "Absent", nullptr, nullptr, buffer, &size)),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(REG(RegQueryValueExW(key(), WTEXT("Absent"), nullptr, nullptr, nullptr, nullptr)),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(REG(RegDeleteValueA(key(), "Absent")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(REG(RegDeleteValueW(key(), WTEXT("Present"))), ERROR_SUCCESS);
  EXPECT_EQ(REG(RegDeleteValueA(key(), "Present")), ERROR_FILE_NOT_FOUND) << "deleted twice";
  EXPECT_EQ(REG(RegQueryValueExA(key(), "Present", nullptr, nullptr, nullptr, nullptr)),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, BadQueryArgumentsAreRefused) {
  SetA(key(), "Value", REG_SZ, std::string("x", 2));
  BYTE buffer[8];
  DWORD reserved = 0;
  DWORD size = sizeof buffer;
  EXPECT_EQ(REG(RegQueryValueExA(key(), "Value", &reserved, nullptr, nullptr, &size)),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(REG(RegQueryValueExW(key(), WTEXT("Value"), &reserved, nullptr, nullptr, &size)),
            ERROR_INVALID_PARAMETER);
  // A buffer without its size.
  EXPECT_EQ(REG(RegQueryValueExA(key(), "Value", nullptr, nullptr, buffer, nullptr)),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(REG(RegQueryValueExW(key(), WTEXT("Value"), nullptr, nullptr, buffer, nullptr)),
            ERROR_INVALID_PARAMETER);
  // Value names are at most 16383 characters.
  std::string longest(16383, 'v');
  std::string tooLong(16384, 'v');
  EXPECT_EQ(
      REG(RegSetValueExA(key(), longest.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1)),
      ERROR_SUCCESS);
  EXPECT_EQ(
      REG(RegSetValueExA(key(), tooLong.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1)),
      ERROR_INVALID_PARAMETER);
}

#ifndef _WIN32
// Simulation only: data NULL with a size is a bad pointer, which Windows reports as
// ERROR_NOACCESS; Wine 8 crashes in RegSetValueExA.
TEST_F(Registry, SetWithoutDataButWithASizeIsRefused) {
  EXPECT_EQ(REG(RegSetValueExA(key(), "V", 0, REG_SZ, nullptr, 4)), ERROR_NOACCESS);
  EXPECT_EQ(REG(RegSetValueExW(key(), WTEXT("V"), 0, REG_BINARY, nullptr, 4)), ERROR_NOACCESS);
  EXPECT_EQ(REG(RegSetValueExA(key(), "Empty", 0, REG_BINARY, nullptr, 0)), ERROR_SUCCESS);
  EXPECT_EQ(ValueNamesA(key()), std::vector<std::string>{"Empty"});
}
#endif

// --- enumeration --------------------------------------------------------------------------------

TEST_F(Registry, SubkeysEnumerateInCaseInsensitiveNameOrder) {
  // Created in an order of their own; letters of both cases and Latin-1.
  const char* created[] = {"b", "Ez", "\xC1", "a", "ea", "AB", "Z", "\xC9t\xE9", "\xE0", "a1"};
  for (const char* name : created) Create(name);
  std::vector<std::string> expected = {"a",  "a1", "AB",   "b",    "ea",
                                       "Ez", "Z",  "\xE0", "\xC1", "\xC9t\xE9"};
  EXPECT_EQ(SubkeysA(key()), expected);

  std::vector<WString> wide;
  for (DWORD index = 0;; ++index) {
    WCHAR name[256];
    DWORD length = 256;
    if (REG(RegEnumKeyExW(key(), index, name, &length, nullptr, nullptr, nullptr, nullptr)) !=
        ERROR_SUCCESS)
      break;
    wide.emplace_back(name, length);
  }
  ASSERT_EQ(wide.size(), expected.size());
  EXPECT_EQ(wide[7], WString(WTEXT("\x00E0")));
  EXPECT_EQ(wide[9], WString(WTEXT("\x00C9t\x00E9")));
}

TEST_F(Registry, KeysOrderByTheirCapitalsAroundTheUnderscore) {
  for (const char* name : {"A_", "AB", "[x"}) Create(name);
#ifdef _WIN32
  // Wine 8 orders by small letters, so "_" and "[" (between "Z" and "a") come first.
  EXPECT_EQ(SubkeysA(key()), (std::vector<std::string>{"[x", "A_", "AB"}));
#else
  // Windows orders a key's subkeys by their names in capitals.
  EXPECT_EQ(SubkeysA(key()), (std::vector<std::string>{"AB", "A_", "[x"}));
#endif
}

TEST_F(Registry, EnumeratedNameCapacityCountsTheTerminator) {
  Create("abcdef");
  struct Case {
    DWORD capacity;
    LONG status;
  } cases[] = {
      {7, ERROR_SUCCESS},
      {6, ERROR_MORE_DATA},  // the name fits, its terminator does not
      {1, ERROR_MORE_DATA},
      {0, ERROR_MORE_DATA},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    char name[16];
    memset(name, kFill, sizeof name);
    DWORD length = c.capacity;
    EXPECT_EQ(REG(RegEnumKeyExA(key(), 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
              c.status)
        << "row " << row;
    WCHAR wideName[16];
    memset(wideName, kFill, sizeof wideName);
    DWORD wideLength = c.capacity;
    EXPECT_EQ(
        REG(RegEnumKeyExW(key(), 0, wideName, &wideLength, nullptr, nullptr, nullptr, nullptr)),
        c.status)
        << "row " << row;
    if (c.status == ERROR_SUCCESS) {
      EXPECT_EQ(length, 6u) << "row " << row << ": characters without the terminator";
      EXPECT_EQ(wideLength, 6u) << "row " << row;
      EXPECT_STREQ(name, "abcdef") << "row " << row;
      EXPECT_EQ(WString(wideName), WString(WTEXT("abcdef"))) << "row " << row;
      EXPECT_EQ(static_cast<BYTE>(name[7]), kFill) << "row " << row;
    } else {
      EXPECT_EQ(length, c.capacity) << "row " << row << ": the length is left alone";
      EXPECT_EQ(wideLength, c.capacity) << "row " << row;
      EXPECT_TRUE(AllFill(reinterpret_cast<BYTE*>(name), sizeof name)) << "row " << row;
      EXPECT_TRUE(AllFill(reinterpret_cast<BYTE*>(wideName), sizeof wideName)) << "row " << row;
    }
  }
}

TEST_F(Registry, PastTheLastIndexThereAreNoMoreItems) {
  Create("only");
  SetA(key(), "only", REG_SZ, std::string("x", 2));
  char name[16];
  WCHAR wideName[16];
  DWORD length = sizeof name;
  EXPECT_EQ(REG(RegEnumKeyExA(key(), 1, name, &length, nullptr, nullptr, nullptr, nullptr)),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(length, sizeof name);
  length = 16;
  EXPECT_EQ(REG(RegEnumKeyExW(key(), 5, wideName, &length, nullptr, nullptr, nullptr, nullptr)),
            ERROR_NO_MORE_ITEMS);
  length = sizeof name;
  EXPECT_EQ(REG(RegEnumValueA(key(), 1, name, &length, nullptr, nullptr, nullptr, nullptr)),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(length, sizeof name);
  length = 16;
  EXPECT_EQ(REG(RegEnumValueW(key(), 1, wideName, &length, nullptr, nullptr, nullptr, nullptr)),
            ERROR_NO_MORE_ITEMS);
  HKEY empty = Create("only");
  length = sizeof name;
  EXPECT_EQ(REG(RegEnumKeyExA(empty, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(REG(RegEnumValueA(empty, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
            ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, ValuesEnumerateInTheOrderTheyWereFirstSet) {
  for (const char* name : {"zeta", "Alpha", "mid"}) SetA(key(), name, REG_SZ, std::string("1", 2));
  SetA(key(), "ALPHA", REG_DWORD, std::string(4, '\0'));  // set again: keeps its place
  ASSERT_EQ(REG(RegDeleteValueA(key(), "zeta")), ERROR_SUCCESS);
  SetA(key(), "beta", REG_SZ, std::string("1", 2));
#ifdef _WIN32
  // Wine 8 keeps a key's values sorted by name.
  EXPECT_EQ(ValueNamesA(key()), (std::vector<std::string>{"Alpha", "beta", "mid"}));
#else
  // Windows keeps them in the order they were first set.
  EXPECT_EQ(ValueNamesA(key()), (std::vector<std::string>{"Alpha", "mid", "beta"}));
#endif
}

TEST_F(Registry, EnumeratedValueReportsNameTypeAndData) {
  SetW(key(), WTEXT("Port"), REG_SZ, WideBytes(WTEXT("COM7"), 5));
  {
    char name[16];
    memset(name, kFill, sizeof name);
    DWORD nameLength = sizeof name;
    BYTE data[16];
    memset(data, kFill, sizeof data);
    DWORD size = sizeof data;
    DWORD type = kSentinel;
    ASSERT_EQ(REG(RegEnumValueA(key(), 0, name, &nameLength, nullptr, &type, data, &size)),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Port");
    EXPECT_EQ(nameLength, 4u);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(memcmp(data, "COM7", 5), 0);
    EXPECT_EQ(data[5], kFill);
    // Without a data buffer: the size only.
    nameLength = sizeof name;
    size = 0;
    EXPECT_EQ(REG(RegEnumValueA(key(), 0, name, &nameLength, nullptr, nullptr, nullptr, &size)),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
  }
  {
    WCHAR name[16];
    DWORD nameLength = 16;
    BYTE data[16];
    memset(data, kFill, sizeof data);
    DWORD size = sizeof data;
    DWORD type = kSentinel;
    ASSERT_EQ(REG(RegEnumValueW(key(), 0, name, &nameLength, nullptr, &type, data, &size)),
              ERROR_SUCCESS);
    EXPECT_EQ(WString(name), WString(WTEXT("Port")));
    EXPECT_EQ(nameLength, 4u);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(Hex(Bytes(data, size)), Hex(WideBytes(WTEXT("COM7"), 5)));
    EXPECT_EQ(data[10], kFill);
  }
}

TEST_F(Registry, EnumeratedValueWithTooSmallADataBuffer) {
  SetW(key(), WTEXT("Friendly"), REG_SZ, WideBytes(WTEXT("Kelo"), 5));
  // W: the name is written; the data is not, and its size is reported.
  WCHAR wideName[16];
  memset(wideName, kFill, sizeof wideName);
  DWORD nameLength = 16;
  BYTE data[16];
  memset(data, kFill, sizeof data);
  DWORD size = 9;
  DWORD type = kSentinel;
  EXPECT_EQ(REG(RegEnumValueW(key(), 0, wideName, &nameLength, nullptr, &type, data, &size)),
            ERROR_MORE_DATA);
  EXPECT_EQ(WString(wideName), WString(WTEXT("Friendly")));
  EXPECT_EQ(nameLength, 8u);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, 10u);
  EXPECT_TRUE(AllFill(data, sizeof data));
  // A: neither name nor data is written.
  char name[16];
  memset(name, kFill, sizeof name);
  nameLength = sizeof name;
  size = 4;
  type = kSentinel;
  EXPECT_EQ(REG(RegEnumValueA(key(), 0, name, &nameLength, nullptr, &type, data, &size)),
            ERROR_MORE_DATA);
  EXPECT_TRUE(AllFill(reinterpret_cast<BYTE*>(name), sizeof name));
  EXPECT_EQ(nameLength, sizeof name);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, 5u);
  EXPECT_TRUE(AllFill(data, sizeof data));
}

TEST_F(Registry, EnumeratedValueWithTooSmallANameBuffer) {
  SetA(key(), "valuename", REG_SZ, std::string("x", 2));
  for (bool ansi : {false, true}) {
    // The buffers sit inside larger ones, so a write past either shows.
    BYTE nameArea[64];
    memset(nameArea, kFill, sizeof nameArea);
    BYTE dataArea[16];
    memset(dataArea, kFill, sizeof dataArea);
    DWORD nameLength = 3;
    DWORD size = 8;
    DWORD type = kSentinel;
    LONG status = ansi ? REG(RegEnumValueA(key(), 0, reinterpret_cast<char*>(nameArea), &nameLength,
                                           nullptr, &type, dataArea, &size))
                       : REG(RegEnumValueW(key(), 0, reinterpret_cast<WCHAR*>(nameArea),
                                           &nameLength, nullptr, &type, dataArea, &size));
    EXPECT_EQ(status, ERROR_MORE_DATA) << "ansi " << ansi;
    EXPECT_EQ(nameLength, 3u) << "ansi " << ansi << ": the length is left alone";
    EXPECT_EQ(type, DWORD(REG_SZ)) << "ansi " << ansi;
    EXPECT_EQ(size, ansi ? 2u : 4u) << "ansi " << ansi;
    size_t nameBytes = ansi ? 3 : 6;
    EXPECT_TRUE(AllFill(nameArea + nameBytes, sizeof nameArea - nameBytes)) << "ansi " << ansi;
    EXPECT_TRUE(AllFill(dataArea + 8, sizeof dataArea - 8)) << "ansi " << ansi;
    if (!ansi) {
      // Wine's RegEnumValueA writes a cut name and the data here; W writes neither.
      EXPECT_TRUE(AllFill(nameArea, sizeof nameArea));
      EXPECT_TRUE(AllFill(dataArea, sizeof dataArea));
    }
  }
}

// --- deletion -----------------------------------------------------------------------------------

TEST_F(Registry, AKeyWithSubkeysIsNotDeleted) {
  Opened child;
  ASSERT_EQ(REG(RegCreateKeyExA(key(), "Parent\\Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                child.out(), nullptr)),
            ERROR_SUCCESS);
  EXPECT_EQ(REG(RegDeleteKeyA(key(), "Parent")), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Parent\\Child")));
  // A path names the key to delete below the handle.
  EXPECT_EQ(REG(RegDeleteKeyA(key(), "PARENT\\child")), ERROR_SUCCESS);
  EXPECT_EQ(REG(RegDeleteKeyW(key(), WTEXT("Parent"))), ERROR_SUCCESS);
  EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Parent")));
  EXPECT_EQ(REG(RegDeleteKeyA(key(), "Parent")), ERROR_FILE_NOT_FOUND) << "deleted twice";
  EXPECT_EQ(REG(RegDeleteKeyA(key(), nullptr)), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path()));
}

TEST_F(Registry, AnEmptySubkeyDeletesTheKeyOfTheHandle) {
  HKEY self = Create("Self");
  EXPECT_EQ(REG(RegDeleteKeyA(self, "")), ERROR_SUCCESS);
  EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Self")));
}

TEST_F(Registry, OpenHandlesOfADeletedKeyReportKeyDeleted) {
  HKEY doomed = Create("Doomed");
  SetA(doomed, "Value", REG_SZ, std::string("x", 2));
  ASSERT_EQ(REG(RegDeleteKeyA(key(), "Doomed")), ERROR_SUCCESS);
  struct Case {
    const char* operation;
    LONG (*call)(HKEY);
  } cases[] = {
      {"RegQueryValueExA",
       [](HKEY k) { return RegQueryValueExA(k, "Value", nullptr, nullptr, nullptr, nullptr); }},
      {"RegSetValueExA",
       [](HKEY k) {
         return RegSetValueExA(k, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2);
       }},
      {"RegDeleteValueA", [](HKEY k) { return RegDeleteValueA(k, "Value"); }},
      {"RegEnumKeyExA",
       [](HKEY k) {
         char name[16];
         DWORD length = sizeof name;
         return RegEnumKeyExA(k, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
       }},
      {"RegEnumValueW",
       [](HKEY k) {
         WCHAR name[16];
         DWORD length = 16;
         return RegEnumValueW(k, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
       }},
      {"RegCreateKeyExA",
       [](HKEY k) {
         HKEY made = nullptr;
         LONG status =
             RegCreateKeyExA(k, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr);
         if (status == ERROR_SUCCESS) RegCloseKey(made);
         return status;
       }},
      {"RegOpenKeyExA",
       [](HKEY k) {
         HKEY opened = nullptr;
         LONG status = RegOpenKeyExA(k, "", 0, KEY_READ, &opened);
         if (status == ERROR_SUCCESS) RegCloseKey(opened);
         return status;
       }},
      {"RegDeleteKeyA", [](HKEY k) { return RegDeleteKeyA(k, ""); }},
  };
  for (const Case& c : cases) EXPECT_EQ(REG(c.call(doomed)), ERROR_KEY_DELETED) << c.operation;
  EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Doomed\\New")));
  // Closing it is still fine, once.
  handles_.erase(std::find(handles_.begin(), handles_.end(), doomed));
  EXPECT_EQ(REG(RegCloseKey(doomed)), ERROR_SUCCESS);
  EXPECT_EQ(REG(RegCloseKey(doomed)), ERROR_INVALID_HANDLE);
}

// --- access rights ------------------------------------------------------------------------------

TEST_F(Registry, EachOperationNeedsItsAccessRight) {
  Create("Existing");
  SetA(key(), "Value", REG_SZ, std::string("x", 2));
  // Columns: query a value, enumerate subkeys, enumerate values, set a value, delete a value.
  // Creating and deleting subkeys is checked against the key's security, not the handle's
  // rights, so every handle may do both.
  struct Case {
    const char* label;
    REGSAM access;
    LONG query, enumKeys, enumValues, set, deleteValue;
  } cases[] = {
      {"KEY_READ", KEY_READ, 0, 0, 0, 5, 5},
      {"KEY_WRITE", KEY_WRITE, 5, 5, 5, 0, 2},
      {"KEY_READ|KEY_WRITE", KEY_READ | KEY_WRITE, 0, 0, 0, 0, 2},
      {"KEY_ALL_ACCESS", KEY_ALL_ACCESS, 0, 0, 0, 0, 2},
      {"KEY_QUERY_VALUE", KEY_QUERY_VALUE, 0, 5, 0, 5, 5},
      {"KEY_ENUMERATE_SUB_KEYS", KEY_ENUMERATE_SUB_KEYS, 5, 0, 5, 5, 5},
      {"KEY_SET_VALUE", KEY_SET_VALUE, 5, 5, 5, 0, 2},
      {"KEY_CREATE_SUB_KEY", KEY_CREATE_SUB_KEY, 5, 5, 5, 5, 5},
      {"GENERIC_READ", GENERIC_READ, 0, 0, 0, 5, 5},
      {"none", 0, 5, 5, 5, 5, 5},
  };
  for (const Case& c : cases) {
    Opened handle;
    ASSERT_EQ(
        REG(RegOpenKeyExA(HKEY_CURRENT_USER, testKey_.Path().c_str(), 0, c.access, handle.out())),
        ERROR_SUCCESS)
        << c.label;
    HKEY h = handle.get();
    char name[16];
    DWORD length = sizeof name;
    EXPECT_EQ(REG(RegQueryValueExA(h, "Value", nullptr, nullptr, nullptr, nullptr)), c.query)
        << c.label;
    EXPECT_EQ(REG(RegEnumKeyExA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
              c.enumKeys)
        << c.label;
    length = sizeof name;
    EXPECT_EQ(REG(RegEnumValueA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
              c.enumValues)
        << c.label;
    EXPECT_EQ(REG(RegSetValueExA(h, "Set", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1)), c.set)
        << c.label;
    EXPECT_EQ(REG(RegDeleteValueA(h, "NotThere")), c.deleteValue) << c.label;
    Opened created;
    EXPECT_EQ(
        REG(RegCreateKeyExA(h, "Made", 0, nullptr, 0, KEY_READ, nullptr, created.out(), nullptr)),
        ERROR_SUCCESS)
        << c.label;
    EXPECT_EQ(REG(RegDeleteKeyA(h, "Made")), ERROR_SUCCESS) << c.label;
    Opened below;
    EXPECT_EQ(REG(RegOpenKeyExA(h, "Existing", 0, KEY_ALL_ACCESS, below.out())), ERROR_SUCCESS)
        << c.label;
    RegDeleteValueA(key(), "Set");
  }
}

// --- handles ------------------------------------------------------------------------------------

TEST_F(Registry, HandlesThatAreNotOpenAreInvalid) {
  HKEY closed = nullptr;
  ASSERT_EQ(REG(RegCreateKeyExA(key(), "Closed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &closed,
                                nullptr)),
            ERROR_SUCCESS);
  ASSERT_EQ(REG(RegCloseKey(closed)), ERROR_SUCCESS);
  struct Case {
    const char* label;
    HKEY handle;
  } cases[] = {
      {"closed", closed},
      {"never opened", reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678))},
      {"NULL", nullptr},
  };
  for (const Case& c : cases) {
    HKEY h = c.handle;
    HKEY result = nullptr;
    char name[16];
    DWORD length = sizeof name;
    EXPECT_EQ(REG(RegQueryValueExA(h, "V", nullptr, nullptr, nullptr, nullptr)),
              ERROR_INVALID_HANDLE)
        << c.label;
    EXPECT_EQ(
        REG(RegSetValueExW(h, WTEXT("V"), 0, REG_SZ, reinterpret_cast<const BYTE*>(WTEXT("")), 2)),
        ERROR_INVALID_HANDLE)
        << c.label;
    EXPECT_EQ(REG(RegEnumKeyExA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
              ERROR_INVALID_HANDLE)
        << c.label;
    EXPECT_EQ(REG(RegEnumValueA(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
              ERROR_INVALID_HANDLE)
        << c.label;
    EXPECT_EQ(REG(RegOpenKeyExA(h, "Sub", 0, KEY_READ, &result)), ERROR_INVALID_HANDLE) << c.label;
    EXPECT_EQ(REG(RegCreateKeyExW(h, WTEXT("Sub"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result,
                                  nullptr)),
              ERROR_INVALID_HANDLE)
        << c.label;
    EXPECT_EQ(REG(RegDeleteKeyA(h, "Sub")), ERROR_INVALID_HANDLE) << c.label;
    EXPECT_EQ(REG(RegDeleteValueA(h, "V")), ERROR_INVALID_HANDLE) << c.label;
    EXPECT_EQ(REG(RegCloseKey(h)), ERROR_INVALID_HANDLE) << c.label;
  }
}

TEST_F(Registry, ClosingAPredefinedKeyIsHarmless) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_EQ(REG(RegCloseKey(root)), ERROR_SUCCESS);
  }
  Opened again;
  EXPECT_EQ(
      REG(RegOpenKeyExA(HKEY_CURRENT_USER, testKey_.Path().c_str(), 0, KEY_READ, again.out())),
      ERROR_SUCCESS);
  // A root opened with no subkey is a handle that closes harmlessly too.
  HKEY root = nullptr;
  ASSERT_EQ(REG(RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_READ, &root)), ERROR_SUCCESS);
  EXPECT_EQ(REG(RegCloseKey(root)), ERROR_SUCCESS);
  EXPECT_TRUE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path()));
}

#ifndef _WIN32
// Simulation only: the registry has just these two roots; Wine has them all.
TEST_F(Registry, OtherRootsAreInvalidHandles) {
  HKEY result = nullptr;
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_USERS}) {
    EXPECT_EQ(REG(RegOpenKeyExA(root, "Software", 0, KEY_READ, &result)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(
        REG(RegCreateKeyExA(root, "X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &result, nullptr)),
        ERROR_INVALID_HANDLE);
  }
}

// Simulation only: the accounting behind "every export closes what it opens".
TEST_F(Registry, EveryHandleIsCountedOpenUntilClosed) {
  int before = winsim::OpenCount(winsim::Resource::RegistryKey);
  HKEY a = nullptr, b = nullptr, root = nullptr;
  ASSERT_EQ(RegCreateKeyExA(key(), "A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &a, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(key(), nullptr, 0, KEY_READ, &b), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &root), ERROR_SUCCESS);
  EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), before + 2)
      << "a root is not counted";
  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyExA(key(), "Missing", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(a), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(a), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
  EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), before + 1);
  EXPECT_EQ(RegCloseKey(b), ERROR_SUCCESS);
  EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), before);
}

// Simulation only: every entry point fails on demand, under its own name, with the given code,
// and changes nothing.
TEST_F(Registry, EveryEntryPointFailsOnDemandUnderItsOwnName) {
  HKEY sub = Create("Sub");
  SetA(sub, "V", REG_SZ, std::string("x", 2));
  Create("Sub\\Leaf");
  struct Case {
    const char* name;
    LONG (*call)(HKEY);
  } cases[] = {
      {"RegOpenKeyExA",
       [](HKEY k) {
         HKEY r = nullptr;
         LONG s = RegOpenKeyExA(k, "Leaf", 0, KEY_READ, &r);
         if (!s) RegCloseKey(r);
         return s;
       }},
      {"RegOpenKeyExW",
       [](HKEY k) {
         HKEY r = nullptr;
         LONG s = RegOpenKeyExW(k, WTEXT("Leaf"), 0, KEY_READ, &r);
         if (!s) RegCloseKey(r);
         return s;
       }},
      {"RegCreateKeyExA",
       [](HKEY k) {
         HKEY r = nullptr;
         LONG s = RegCreateKeyExA(k, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &r, nullptr);
         if (!s) RegCloseKey(r);
         return s;
       }},
      {"RegCreateKeyExW",
       [](HKEY k) {
         HKEY r = nullptr;
         LONG s =
             RegCreateKeyExW(k, WTEXT("New"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &r, nullptr);
         if (!s) RegCloseKey(r);
         return s;
       }},
      {"RegQueryValueExA",
       [](HKEY k) {
         DWORD n = 0;
         return RegQueryValueExA(k, "V", nullptr, nullptr, nullptr, &n);
       }},
      {"RegQueryValueExW",
       [](HKEY k) {
         DWORD n = 0;
         return RegQueryValueExW(k, WTEXT("V"), nullptr, nullptr, nullptr, &n);
       }},
      {"RegSetValueExA",
       [](HKEY k) {
         return RegSetValueExA(k, "V", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2);
       }},
      {"RegSetValueExW",
       [](HKEY k) {
         return RegSetValueExW(k, WTEXT("V"), 0, REG_SZ, reinterpret_cast<const BYTE*>(WTEXT("y")),
                               4);
       }},
      {"RegEnumKeyExA",
       [](HKEY k) {
         char n[16];
         DWORD l = 16;
         return RegEnumKeyExA(k, 0, n, &l, nullptr, nullptr, nullptr, nullptr);
       }},
      {"RegEnumKeyExW",
       [](HKEY k) {
         WCHAR n[16];
         DWORD l = 16;
         return RegEnumKeyExW(k, 0, n, &l, nullptr, nullptr, nullptr, nullptr);
       }},
      {"RegEnumValueA",
       [](HKEY k) {
         char n[16];
         DWORD l = 16;
         return RegEnumValueA(k, 0, n, &l, nullptr, nullptr, nullptr, nullptr);
       }},
      {"RegEnumValueW",
       [](HKEY k) {
         WCHAR n[16];
         DWORD l = 16;
         return RegEnumValueW(k, 0, n, &l, nullptr, nullptr, nullptr, nullptr);
       }},
      {"RegDeleteValueA", [](HKEY k) { return RegDeleteValueA(k, "V"); }},
      {"RegDeleteValueW", [](HKEY k) { return RegDeleteValueW(k, WTEXT("V")); }},
      {"RegDeleteKeyA", [](HKEY k) { return RegDeleteKeyA(k, "Leaf"); }},
      {"RegDeleteKeyW", [](HKEY k) { return RegDeleteKeyW(k, WTEXT("Leaf")); }},
  };
  for (const Case& c : cases) {
    // The other form of the same function is not affected.
    std::string other = c.name;
    other.back() = other.back() == 'A' ? 'W' : 'A';
    winsim::FailCall(other, 1, ERROR_NOT_ENOUGH_MEMORY);
    winsim::FailCall(c.name, 2, ERROR_ACCESS_DENIED);
    EXPECT_EQ(c.call(sub), ERROR_SUCCESS) << c.name << ": the first call passes";
    winsim::ClearFaults();
    // Undo what the passing call did, so the failing one meets the same state.
    SetA(sub, "V", REG_SZ, std::string("x", 2));
    Create("Sub\\Leaf");
    RegDeleteKeyA(sub, "New");
    winsim::FailCall(c.name, 1, ERROR_ACCESS_DENIED);
    int open = winsim::OpenCount(winsim::Resource::RegistryKey);
    EXPECT_EQ(c.call(sub), ERROR_ACCESS_DENIED) << c.name;
    EXPECT_EQ(winsim::OpenCount(winsim::Resource::RegistryKey), open) << c.name;
    EXPECT_EQ(QueryA(sub, "V"), Bytes(std::string("x", 2))) << c.name;
    EXPECT_TRUE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Sub\\Leaf"))) << c.name;
    EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, testKey_.Path("Sub\\New"))) << c.name;
    winsim::ClearFaults();
  }
  winsim::FailCall("RegCloseKey", 1, ERROR_INVALID_HANDLE);
  HKEY kept = Create("Sub");
  EXPECT_EQ(RegCloseKey(kept), ERROR_INVALID_HANDLE);  // still open: closed with the test
}
#endif

// --- fixtures -----------------------------------------------------------------------------------

// The .reg fixtures give the same registry whoever reads them: the simulation or reg.exe.
class RegistryFixtures : public ::testing::Test {
 protected:
  // Each fixture's keys are below HKEY_CURRENT_USER\Software\WinsimTests\<its name>.
  static std::string KeyOf(const char* fixture) {
    return std::string(kTestKeysPath) + "\\" + fixture;
  }

  void SetUp() override {
    ASSERT_EQ(DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, KeyOf(fixture_)), ERROR_SUCCESS);
  }
  void TearDown() override {
    EXPECT_EQ(DeleteKeyTreeBottomUp(HKEY_CURRENT_USER, KeyOf(fixture_)), ERROR_SUCCESS);
    EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, KeyOf(fixture_))) << "fixture left behind";
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKeysPath);
  }

  // The value's type and bytes by RegQueryValueExW.
  static bool Read(const std::string& path, const WCHAR* name, DWORD* type,
                   std::vector<BYTE>* bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
      bytes->assign(size + 1, kFill);
      status = RegQueryValueExW(key, name, nullptr, type, bytes->data(), &size);
      bytes->resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  void ExpectValueTypes(const char* fixture) {
    std::string base = KeyOf(fixture);
    const WCHAR multi[] = WTEXT("COM3\0COM4\0");
    struct Case {
      const WCHAR* name;
      DWORD type;
      std::vector<BYTE> data;
    } cases[] = {
        {WTEXT(""), REG_SZ, WideBytes(WTEXT("default text"), 13)},
        {WTEXT("Path"), REG_SZ, WideBytes(WTEXT("C:\\Program Files\\Kelo \"MQX\""), 28)},
        {WTEXT("Latin"), REG_SZ, WideBytes(WTEXT("\x00E9t\x00E9 \x20AC"), 6)},
        {WTEXT("Empty"), REG_SZ, WideBytes(WTEXT(""), 1)},
        {WTEXT("Number"), REG_DWORD, {0x2A, 0, 0, 0}},
        {WTEXT("Binary"), REG_BINARY, {0x00, 0x01, 0xFE, 0xFF}},
        {WTEXT("Expand"), REG_EXPAND_SZ, WideBytes(WTEXT("%SystemRoot%\\inf"), 17)},
        {WTEXT("Ports"), REG_MULTI_SZ, WideBytes(multi, 11)},
#ifdef _WIN32
        // Wine's reg import terminates the string: under Wine an unterminated value can only be
        // made with RegSetValueExW and data whose next character is not a NUL.
        {WTEXT("Unterminated"), REG_SZ, WideBytes(WTEXT("ABC"), 4)},
#else
        {WTEXT("Unterminated"), REG_SZ, WideBytes(WTEXT("ABC"), 3)},
#endif
        {WTEXT("Quad"), REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0x80}},
        {WTEXT("Nothing"), REG_NONE, {}},
        {WTEXT("Long"), REG_BINARY, std::vector<BYTE>(60, 0x5A)},  // over continued lines
    };
    for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
      DWORD type = kSentinel;
      std::vector<BYTE> bytes;
      ASSERT_TRUE(Read(base, cases[row].name, &type, &bytes)) << fixture << " row " << row;
      EXPECT_EQ(type, cases[row].type) << fixture << " row " << row;
      EXPECT_EQ(Hex(bytes), Hex(cases[row].data)) << fixture << " row " << row;
    }
    std::vector<BYTE> inner;
    DWORD type = 0;
    EXPECT_TRUE(Read(base + "\\Sub Key\\Deeper", WTEXT("Inner"), &type, &inner)) << fixture;
    EXPECT_EQ(Hex(inner), Hex(WideBytes(WTEXT("x"), 2))) << fixture;
  }

  const char* fixture_ = "";
};

class RegistryFixtureTypes4 : public RegistryFixtures {
 protected:
  RegistryFixtureTypes4() { fixture_ = "ValueTypes4"; }
};
TEST_F(RegistryFixtureTypes4, Regedit4FileGivesEveryType) {
  ASSERT_TRUE(ImportRegFixture("value_types4.reg"));
  ExpectValueTypes("ValueTypes4");
}

class RegistryFixtureTypes5 : public RegistryFixtures {
 protected:
  RegistryFixtureTypes5() { fixture_ = "ValueTypes5"; }
};
TEST_F(RegistryFixtureTypes5, Version5FileInUtf16GivesEveryType) {
  ASSERT_TRUE(ImportRegFixture("value_types5.reg"));
  ExpectValueTypes("ValueTypes5");
}

class RegistryFixtureDeletions : public RegistryFixtures {
 protected:
  RegistryFixtureDeletions() { fixture_ = "Deletions"; }
};
TEST_F(RegistryFixtureDeletions, KeysAndValuesAreDeletedByTheFile) {
  ASSERT_TRUE(ImportRegFixture("deletions_setup.reg"));
  ASSERT_TRUE(KeyIsPresent(HKEY_CURRENT_USER, KeyOf("Deletions\\Gone\\Below")));
  ASSERT_TRUE(ImportRegFixture("deletions.reg"));
  EXPECT_FALSE(KeyIsPresent(HKEY_CURRENT_USER, KeyOf("Deletions\\Gone"))) << "a whole tree goes";
  EXPECT_TRUE(KeyIsPresent(HKEY_CURRENT_USER, KeyOf("Deletions\\Kept")));
  DWORD type = 0;
  std::vector<BYTE> bytes;
  EXPECT_FALSE(Read(KeyOf("Deletions\\Kept"), WTEXT("Dropped"), &type, &bytes));
  EXPECT_TRUE(Read(KeyOf("Deletions\\Kept"), WTEXT("Stays"), &type, &bytes));
  EXPECT_EQ(Hex(bytes), Hex(WideBytes(WTEXT("changed"), 8)));
}

}  // namespace
