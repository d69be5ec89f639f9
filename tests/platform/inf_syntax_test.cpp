// The INF reader behind the class driver list, seen through SetupDiEnumDriverInfoW: each row is
// one small INF file in the INF folder and the entries its modem class list must have.
// Sim only: Wine 8 builds no class driver list without a device.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setupapi_fixture.h"

namespace {

using namespace setupapi_test;

const char kVersion[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\n"
    "ClassGUID={4D36E96D-E325-11CE-BFC1-08002BE10318}\r\nProvider=\"P\"\r\n";

// "Description|MfgName|ProviderName" of every entry of the modem class list, 8-bit text.
std::vector<std::string> ModemList() {
  std::vector<std::string> entries;
  TestSet set;
  if (!SetupDiBuildDriverInfoList(set.get(), nullptr, SPDIT_CLASSDRIVER)) return {"(no list)"};
  for (DWORD index = 0;; ++index) {
    SP_DRVINFO_DATA_V1_W driver = {};
    driver.cbSize = sizeof driver;
    if (!SetupDiEnumDriverInfoW(set.get(), nullptr, SPDIT_CLASSDRIVER, index, &driver)) break;
    entries.push_back(Narrow(driver.Description) + "|" + Narrow(driver.MfgName) + "|" + Narrow(driver.ProviderName));
  }
  return entries;
}

std::string Utf16(const std::string& text) {
  std::string out = "\xFF\xFE";
  for (unsigned char c : text) {
    out += static_cast<char>(c);
    out += '\0';
  }
  return out;
}

TEST(InfSyntax, LinesFieldsAndStrings) {
  const std::string longName(300, 'L');
  const struct {
    std::string text;
    std::vector<std::string> entries;
  } cases[] = {
      // Comments, quotes that protect a semicolon and blanks, doubled quotes.
      {std::string(kVersion) +
           "[Manufacturer]\r\n\"M\" = Models ; comment\r\n"
           "[Models]\r\n\"  A; not a comment  \" = I, H ; comment\r\n\"say \"\"hi\"\"\" = I, H\r\n",
       {"  A; not a comment  |M|P", "say \"hi\"|M|P"}},
      // A backslash at the end continues the line, also before a comment; elsewhere it is text.
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\" = \\ ; continued\r\n  Models\r\n"
                               "[Models]\r\nA\\B = I, \\\r\n H\r\n",
       {"A\\B|M|P"}},
      // %strkey% in keys and fields, keys without regard to case; %% and unknown keys stay text.
      {"[Version]\r\nSignature=\"$Chicago$\"\r\nClassGUID={4D36E96D-E325-11CE-BFC1-08002BE10318}\r\n"
       "Provider=%prov%\r\n[Manufacturer]\r\n%MFG% = Models\r\n"
       "[Models]\r\n\"100%% %Unknown% %Model%\" = I, H\r\n[strings]\r\nPROV = \"Pro\"\r\nmfg = Maker   \r\nModel=\"56\"\r\n",
       {"100% %Unknown% 56|Maker|Pro"}},
      // Section names without regard to case; sections of one name are merged; lines before the
      // first section are ignored.
      {std::string("\"Stray\" = I, H\r\n") + kVersion +
           "[MANUFACTURER]\r\n\"M\" = models\r\n[Models]\r\nA = I, H\r\n[manufacturer]\r\n\"N\" = Models\r\n",
       {"A|M|P", "A|N|P"}},
      // A manufacturer without "=" is also its models section; decorations after the section
      // name are for later Windows versions.
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\"\r\n\"N\" = Models, NTx86\r\n[M]\r\nA = I, H\r\n[Models]\r\nB = J\r\n",
       {"A|M|P", "B|N|P"}},
      // Model lines without a key or an install section, and missing models sections, add nothing.
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\" = Models\r\n\"N\" = Missing\r\n"
                               "[Models]\r\nNoKey, I, H\r\nNoSection = , H\r\nA = I\r\n",
       {"A|M|P"}},
      // LF-only line ends, tabs around fields.
      {"[Version]\nSignature=\"$Windows NT$\"\nClass=Modem\nProvider=\t\"P\"\t\n[Manufacturer]\n\t\"M\"\t=\tModels\n"
       "[Models]\n\tA\t=\tI\n",
       {"A|M|P"}},
      // UTF-16LE after a byte order mark, and a Class name instead of a GUID.
      {Utf16("[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=modem\r\nProvider=\"U\"\r\n"
             "[Manufacturer]\r\n\"M\" = Models\r\n[Models]\r\n\"Wide\" = I\r\n"),
       {"Wide|M|U"}},
      // 8-bit text is code page 1252: 0x80 is the euro sign, which Narrow shows as "?".
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\xE9\" = Models\r\n[Models]\r\n\"\x80 56\" = I\r\n",
       {"? 56|M\xE9|P"}},
      // Texts longer than the record's fields are cut to LINE_LEN - 1 characters.
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\" = Models\r\n[Models]\r\n" + longName + " = I\r\n",
       {std::string(LINE_LEN - 1, 'L') + "|M|P"}},
      // Files Windows would refuse add nothing: another signature, a field over 4095
      // characters, a section name over 255, a section line without "]".
      {"[Version]\r\nSignature=\"$Windows 3.1$\"\r\nClass=Modem\r\n[Manufacturer]\r\n\"M\"\r\n[M]\r\nA = I\r\n", {}},
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\"\r\n[M]\r\nA = " + std::string(4096, 'x') + "\r\n", {}},
      {std::string(kVersion) + "[Manufacturer]\r\n\"M\"\r\n[M]\r\nA = I\r\n[" + std::string(256, 'S') + "]\r\n", {}},
      {std::string(kVersion) + "[Manufacturer\r\n\"M\"\r\n[M]\r\nA = I\r\n", {}},
      // Another class is not in the modem list.
      {"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Ports\r\n[Manufacturer]\r\n\"M\"\r\n[M]\r\nA = I\r\n", {}},
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    std::string file = InfFolderFile("row.inf");
    ASSERT_TRUE(WriteFileBytes(file, cases[row].text)) << "row " << row;
    EXPECT_EQ(ModemList(), cases[row].entries) << "row " << row;
    remove(file.c_str());
  }
}

TEST(InfSyntax, OnlyInfFilesOfTheInfFolderAreRead) {
  std::string text = std::string(kVersion) + "[Manufacturer]\r\n\"M\"\r\n[M]\r\nA = I\r\n";
  ASSERT_TRUE(WriteFileBytes(InfFolderFile("notes.txt"), text));
  ASSERT_TRUE(WriteFileBytes(InfFolderFile("upper.INF"), text));
  EXPECT_EQ(ModemList(), std::vector<std::string>{"A|M|P"});
}

}  // namespace
#endif
