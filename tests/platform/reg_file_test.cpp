// The simulated registry's .reg files and its state on disk: ImportRegFile, ExportRegFile and the
// persistent system of OpenSystem. Native only: under Wine the registry is Wine's.
#ifndef _WIN32
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "wide_text.h"
#include "winsim.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string Utf16File(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Hex(const BYTE* data, DWORD size) {
  std::string text;
  char unit[4];
  for (DWORD i = 0; i < size; ++i) {
    snprintf(unit, sizeof unit, "%02x", data[i]);
    text += unit;
  }
  return text;
}

// Everything below a key, through the W functions, one line per key and per value.
void DumpKey(HKEY key, const std::string& path, std::string* out) {
  *out += "[" + path + "]\n";
  for (DWORD index = 0;; ++index) {
    WCHAR name[16384];
    DWORD nameLength = 16384;
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    std::string narrow;
    for (DWORD i = 0; i < nameLength; ++i)
      narrow += name[i] < 0x80 ? static_cast<char>(name[i]) : '#';
    *out += "  " + narrow + " " + std::to_string(type) + " " + Hex(data, size) + "\n";
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    HKEY subkey = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &subkey) != ERROR_SUCCESS) continue;
    DumpKey(subkey, path + "\\" + name, out);
    RegCloseKey(subkey);
  }
}

std::string Dump() {
  std::string out;
  DumpKey(HKEY_LOCAL_MACHINE, "HKLM", &out);
  DumpKey(HKEY_CURRENT_USER, "HKCU", &out);
  return out;
}

HKEY Create(HKEY root, const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  return key;
}

void Set(HKEY key, const char* name, DWORD type, const std::string& bytes) {
  EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS)
      << name;
}

void SetWide(HKEY key, const WCHAR* name, DWORD type, const std::u16string& text) {
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.data()),
                           static_cast<DWORD>(text.size() * 2)),
            ERROR_SUCCESS);
}

// A registry with every type and the names that need escaping.
void FillRegistry() {
  HKEY modem = Create(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Class\\Modem\\0000");
  Set(modem, "", REG_SZ, std::string("default", 8));
  Set(modem, "FriendlyName", REG_SZ, std::string("Kelo \"MQX\" 56 \\ \xE9\x80", 19));
  Set(modem, "Name \"quoted\" \\ back", REG_DWORD, std::string("\x2A\x00\x00\x80", 4));
  Set(modem, "Short", REG_DWORD, std::string("\x01\x02", 2));  // not 4 bytes: hex(4)
  Set(modem, "Binary", REG_BINARY, std::string(100, '\xAB'));
  Set(modem, "Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\inf\0", 17));
  Set(modem, "Multi", REG_MULTI_SZ, std::string("COM3\0COM4\0\0", 11));
  Set(modem, "Unterminated", REG_SZ, std::string("ABC", 3));
  Set(modem, "Inner NUL", REG_SZ, std::string("A\0B\0", 4));
  Set(modem, "Line break", REG_SZ, std::string("one\r\ntwo\0", 9));
  Set(modem, "Empty", REG_SZ, std::string());
  Set(modem, "Nothing", REG_NONE, std::string());
  Set(modem, "Quad", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
  Set(modem, "Odd type", 0x12345, std::string("xyz", 3));
  RegCloseKey(modem);
  HKEY empty = Create(HKEY_CURRENT_USER, "Software\\Ombrel\\Empty Key");
  RegCloseKey(empty);
  HKEY user = Create(HKEY_CURRENT_USER, "Software\\Ombrel\\kmdm");
  Set(user, "MainDir", REG_SZ, std::string("C:\\PROGRA~1\\KELO", 17));
  RegCloseKey(user);
}

std::string Folder() { return winsim::SystemRoot(); }

bool Import(const std::string& text, std::string* error = nullptr) {
  std::string file = Folder() + "/import.reg";
  WriteFile(file, text);
  std::string ignored;
  return winsim::ImportRegFile(file, error != nullptr ? error : &ignored);
}

std::string Export() {
  std::string file = Folder() + "/export.reg";
  std::string error;
  EXPECT_TRUE(winsim::ExportRegFile(file, &error)) << error;
  return ReadFile(file);
}

// The type and bytes of one value, by RegQueryValueExW, as "type:hex".
std::string ValueOf(HKEY root, const char* path, const WCHAR* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "no key";
  DWORD type = 0;
  BYTE data[512];
  DWORD size = sizeof data;
  LONG status = RegQueryValueExW(key, name, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return "no value";
  return std::to_string(type) + ":" + Hex(data, size);
}

TEST(RegFile, ExportThenImportGivesTheSameRegistryAndTheSameFile) {
  FillRegistry();
  std::string before = Dump();
  std::string file = Export();
  EXPECT_EQ(file.compare(0, 10, "REGEDIT4\n\n"), 0) << file;
  winsim::ResetSystem(Folder());
  ASSERT_EQ(Dump(), "[HKLM]\n[HKCU]\n");
  std::string error;
  ASSERT_TRUE(Import(file, &error)) << error;
  EXPECT_EQ(Dump(), before);
  EXPECT_EQ(Export(), file) << "the export is deterministic";
}

TEST(RegFile, ExportIsReadableRegedit4InKeyOrder) {
  HKEY b = Create(HKEY_CURRENT_USER, "Software\\b");
  Set(b, "Second", REG_SZ, std::string("2", 2));
  Set(b, "First", REG_DWORD, std::string("\x10\x00\x00\x00", 4));
  Set(b, "Second", REG_SZ, std::string("two", 4));  // keeps its place
  RegCloseKey(b);
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\A\\Deeper"));
  HKEY machine = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kelo");
  Set(machine, "", REG_SZ, std::string("C:\\x\\\"y\"", 9));
  Set(machine, "Data", REG_BINARY, std::string(30, '\x01'));
  Set(machine, "Path", REG_EXPAND_SZ, std::string("%a%", 4));
  RegCloseKey(machine);
  EXPECT_EQ(Export(),
            "REGEDIT4\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelo]\n"
            "@=\"C:\\\\x\\\\\\\"y\\\"\"\n"
            "\"Data\"=hex:01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,\\\n"
            "  01,01,01,01,01,01,01,01\n"
            "\"Path\"=hex(2):25,61,25,00\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software]\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\A]\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\A\\Deeper]\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\b]\n"
            "\"Second\"=\"two\"\n"
            "\"First\"=dword:00000010\n");
}

TEST(RegFile, TextTheEightBitFormCannotHoldIsWrittenAsUtf16Version5) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Wide");
  SetWide(key, WTEXT("Name \x4E00"), REG_SZ, std::u16string(u"\x4E00\x263A", 3));
  SetWide(key, WTEXT("Multi"), REG_MULTI_SZ, std::u16string(u"\x0100\0\0", 3));
  RegCloseKey(key);
  std::string before = Dump();
  std::string file = Export();
  ASSERT_GE(file.size(), 4u);
  EXPECT_EQ(file.substr(0, 4), std::string("\xFF\xFEW\0", 4))
      << "UTF-16LE with its byte order mark";
  winsim::ResetSystem(Folder());
  std::string error;
  ASSERT_TRUE(Import(file, &error)) << error;
  EXPECT_EQ(Dump(), before);
}

TEST(RegFile, BothHeadersAndEveryEncodingGiveTheSameValues) {
  // hex(2) is 8-bit text in a REGEDIT4 file and UTF-16LE in a 5.00 file.
  std::string body4 = "\n[HKEY_CURRENT_USER\\Software\\T]\n\"S\"=\"\xE9\"\n\"X\"=hex(2):41,00\n";
  std::string body5Utf8 =
      "\n[HKEY_CURRENT_USER\\Software\\T]\n\"S\"=\"\xC3\xA9\"\n\"X\"=hex(2):41,00,00,00\n";
  std::string body5Ascii =
      "\n[HKCU\\Software\\T]\n\"S\"=hex(1):e9,00,00,00\n\"X\"=hex(2):41,00,00,00\n";
  struct Case {
    const char* label;
    std::string file;
  } cases[] = {
      {"REGEDIT4", "REGEDIT4\n" + body4},
      {"REGEDIT4 with CR LF",
       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n\"S\"=\"\xE9\"\r\n\"X\"=hex(2):41,"
       "00\r\n"},
      {"5.00 UTF-8", "Windows Registry Editor Version 5.00\n" + body5Utf8},
      {"5.00 UTF-8 with BOM", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + body5Utf8},
      {"5.00 ASCII", "Windows Registry Editor Version 5.00\n" + body5Ascii},
      {"5.00 UTF-16LE", Utf16File("Windows Registry Editor Version 5.00\r\n" + body5Ascii)},
  };
  for (const Case& c : cases) {
    winsim::ResetSystem(Folder());
    std::string error;
    ASSERT_TRUE(Import(c.file, &error)) << c.label << ": " << error;
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, "Software\\T", WTEXT("S")), "1:e9000000") << c.label;
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, "Software\\T", WTEXT("X")), "2:41000000") << c.label;
  }
}

TEST(RegFile, EachValueFormIsRead) {
  struct Case {
    const char* line;
    const WCHAR* name;
    const char* expected;  // type:hex by RegQueryValueExW
  } cases[] = {
      {"\"s\"=\"text\"", WTEXT("s"),
       "1:7400650078007400"
       "0000"},
      {"\"s\"=\"\"", WTEXT("s"), "1:0000"},
      {"\"s\"=\"a\\\\b\\\"c\"", WTEXT("s"),
       "1:61005c0062002200630000"
       "00"},
      {"\"s\"=\"C:\\Temp\"", WTEXT("s"),
       "1:43003a005c00540065006d0070000000"},  // a lone backslash is itself
      {"@=\"default\"", WTEXT(""), "1:640065006600610075006c0074000000"},
      {"\"d\"=dword:0000002a", WTEXT("d"), "4:2a000000"},
      {"\"d\"=dword:FFFFFFFF", WTEXT("d"), "4:ffffffff"},
      {"\"d\"=dword:1", WTEXT("d"), "4:01000000"},
      {"\"d\" = dword:00000002", WTEXT("d"), "4:02000000"},  // blanks around the '='
      {"\"b\"=hex:00,ff, 10 ,7a", WTEXT("b"), "3:00ff107a"},
      {"\"b\"=hex:", WTEXT("b"), "3:"},
      {"\"b\"=hex:01,02,\\\n  03,04", WTEXT("b"), "3:01020304"},  // continued on the next line
      {"\"b\"=hex:01,\\\n  02,\\\n  03", WTEXT("b"), "3:010203"},
      {"@ = hex(2):41,\\\n  00", WTEXT(""), "2:41000000"},
      {"\"b\"=hex:01,02 ; a comment", WTEXT("b"), "3:0102"},
      {"\"e\"=hex(2):25,61,25,00", WTEXT("e"),
       "2:250061002500"
       "0000"},
      {"\"m\"=hex(7):61,00,62,00,00", WTEXT("m"),
       "7:6100000062000000"
       "0000"},
      {"\"u\"=hex(1):41,42", WTEXT("u"), "1:41004200"},  // no terminator, none added
      {"\"q\"=hex(b):01,00,00,00,00,00,00,00", WTEXT("q"), "11:0100000000000000"},
      {"\"n\"=hex(0):", WTEXT("n"), "0:"},
      {"\"x\"=hex(12345):aa", WTEXT("x"), "74565:aa"},
      {"\"Mixed\"=\"1\"\n\"MIXED\"=\"2\"", WTEXT("mixed"), "1:32000000"},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    winsim::ResetSystem(Folder());
    std::string error;
    std::string file =
        std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n") + cases[row].line + "\n";
    ASSERT_TRUE(Import(file, &error)) << "row " << row << ": " << error;
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, "K", cases[row].name), cases[row].expected)
        << "row " << row;
  }
}

TEST(RegFile, AMalformedFileIsRefusedWholeWithItsLine) {
  struct Case {
    const char* text;
    const char* where;
  } cases[] = {
      {"", "line 1"},
      {"REGEDIT5\n", "line 1"},
      {"[HKEY_LOCAL_MACHINE\\K]\n", "line 1"},
      {"REGEDIT4\n\"v\"=\"before any key\"\n", "line 2"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K\n", "line 2"},
      {"REGEDIT4\n[HKEY_NOWHERE\\K]\n", "line 2"},
      {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", "line 2"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"unclosed\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"a\" junk\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:123456789\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=dword:xyz\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:1,2\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex:01,,02\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=hex(zz):01\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"=text\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"v\"\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\nstray words\n", "line 3"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n\n\"b\"=hex:01,\\\n  zz\n", "line 5"},
      {"\xFF\xFEW", "UTF-16"},  // half a character
  };
  std::string longName(256, 'k');
  std::string tooLong = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + longName + "]\n";
  for (size_t row = 0; row <= sizeof cases / sizeof cases[0]; ++row) {
    bool last = row == sizeof cases / sizeof cases[0];
    std::string text = last ? tooLong : cases[row].text;
    const char* where = last ? "line 2" : cases[row].where;
    winsim::ResetSystem(Folder());
    HKEY kept = Create(HKEY_LOCAL_MACHINE, "Kept");
    Set(kept, "v", REG_SZ, std::string("old", 4));
    RegCloseKey(kept);
    std::string before = Dump();
    std::string error;
    EXPECT_FALSE(Import(text, &error)) << "row " << row;
    EXPECT_NE(error.find(where), std::string::npos) << "row " << row << ": " << error;
    EXPECT_NE(error.find("import.reg"), std::string::npos) << "row " << row << ": names the file";
    EXPECT_EQ(Dump(), before) << "row " << row << ": nothing of the file was applied";
  }
  std::string error;
  EXPECT_FALSE(winsim::ImportRegFile(Folder() + "/no such file.reg", &error));
  EXPECT_NE(error.find("no such file.reg"), std::string::npos) << error;
}

TEST(RegFile, KeysAndValuesAreDeleted) {
  HKEY doomed = Create(HKEY_CURRENT_USER, "Software\\Doomed\\Below\\Deepest");
  HKEY kept = Create(HKEY_CURRENT_USER, "Software\\Kept");
  Set(kept, "Dropped", REG_SZ, std::string("x", 2));
  Set(kept, "Stays", REG_SZ, std::string("y", 2));
  std::string error;
  ASSERT_TRUE(
      Import("REGEDIT4\n\n"
             "[-HKEY_CURRENT_USER\\Software\\Doomed]\n"
             "\"ignored\"=\"a value below a deleted key says nothing\"\n"
             "\n"
             "[-HKEY_CURRENT_USER\\Software\\Never There]\n"
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Kept]\n"
             "\"Dropped\"=-\n"
             "\"Never there\"=-\n",
             &error))
      << error;
  EXPECT_EQ(Dump(),
            "[HKLM]\n[HKCU]\n[HKCU\\Software]\n[HKCU\\Software\\Kept]\n  Stays 1 79000000\n");
  // A handle still open on a deleted key reports it.
  EXPECT_EQ(RegSetValueExA(doomed, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
  RegCloseKey(kept);
}

// --- the persistent system ----------------------------------------------------------------------

class PersistentSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = Folder() + "/persistent";
    winsim::OpenSystem(folder_);
  }
  std::string StateFile() const { return folder_ + "/registry.reg"; }

  std::string folder_;
};

TEST_F(PersistentSystem, EveryChangeIsWrittenAndASecondOpeningSeesIt) {
  struct stat info;
  EXPECT_NE(stat(StateFile().c_str(), &info), 0) << "nothing written before a change";
  for (const char* folder : {"/c/WINNT/system32", "/c/WINNT/inf"}) {
    EXPECT_EQ(stat((folder_ + folder).c_str(), &info), 0) << folder;
  }
  struct Step {
    const char* label;
    void (*change)();
    const char* inFile;  // a line the state file holds afterwards, or a text it no longer holds
    bool present;
  } steps[] = {
      {"create", [] { RegCloseKey(Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kelo\\Ports")); },
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelo\\Ports]\n", true},
      {"set",
       [] {
         HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kelo");
         Set(key, "Count", REG_DWORD, std::string("\x08\x00\x00\x00", 4));
         RegCloseKey(key);
       },
       "\"Count\"=dword:00000008\n", true},
      {"delete value",
       [] {
         HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kelo");
         RegDeleteValueA(key, "Count");
         RegCloseKey(key);
       },
       "Count", false},
      {"delete key", [] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kelo\\Ports"); }, "Ports",
       false},
  };
  for (const Step& step : steps) {
    step.change();
    std::string file = ReadFile(StateFile());
    EXPECT_EQ(file.find(step.inFile) != std::string::npos, step.present) << step.label << ":\n"
                                                                         << file;
    // Another program opening the same system reads what this one wrote.
    std::string mine = Dump();
    winsim::OpenSystem(folder_);
    EXPECT_EQ(Dump(), mine) << step.label;
  }
  // Only the state file itself: every temporary file was renamed over it.
  EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"c", "registry.reg"}))
      << "temporary files left behind";
}

TEST_F(PersistentSystem, ReadingWithoutChangingWritesNothing) {
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Once"));
  std::string written = ReadFile(StateFile());
  struct stat before;
  ASSERT_EQ(stat(StateFile().c_str(), &before), 0);
  ASSERT_EQ(remove(StateFile().c_str()), 0);
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Once");  // exists: no change
  char name[64];
  DWORD length = sizeof name;
  RegEnumKeyExA(HKEY_CURRENT_USER, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
  RegQueryValueExA(key, "missing", nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  struct stat after;
  EXPECT_NE(stat(StateFile().c_str(), &after), 0) << "written without a change";
}

TEST_F(PersistentSystem, ImportedFilesArePersistedToo) {
  std::string error;
  ASSERT_TRUE(Import("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Imported]\n\"v\"=\"1\"\n", &error))
      << error;
  EXPECT_NE(ReadFile(StateFile()).find("[HKEY_CURRENT_USER\\Software\\Imported]"),
            std::string::npos);
}

TEST_F(PersistentSystem, AStateFileThatCannotBeReadIsNeverOverwritten) {
  const std::string broken = "this is not a registry file\n";
  WriteFile(StateFile(), broken);
  testing::internal::CaptureStderr();
  winsim::OpenSystem(folder_);
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("registry.reg"), std::string::npos) << message;
  EXPECT_EQ(Dump(), "[HKLM]\n[HKCU]\n");
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\After"));
  EXPECT_EQ(ReadFile(StateFile()), broken) << "the broken file was replaced";
}

TEST_F(PersistentSystem, AResetSystemLivesInMemoryOnly) {
  std::string fresh = Folder() + "/fresh";
  winsim::ResetSystem(fresh);
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Memory"));
  EXPECT_EQ(FolderEntries(fresh), std::vector<std::string>{"c"});
  struct stat info;
  EXPECT_NE(stat(StateFile().c_str(), &info), 0) << "the persistent system's file was written";
}

TEST(RegFile, ExportToAFolderThatIsNotThereFails) {
  std::string error;
  EXPECT_FALSE(winsim::ExportRegFile(Folder() + "/missing/out.reg", &error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
#endif
