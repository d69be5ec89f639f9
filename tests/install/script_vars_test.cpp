// The host variable table: lookup, read, set and append, and the bounds that keep every copy
// inside the host's slots and the library's buffers.
#include <gtest/gtest.h>

#include <string>

#include "host_interface.h"
#include "host_table.h"

namespace {

std::string Read(HostTable& table, const char* name) {
  char value[kScriptValueSize + 1];
  value[kScriptValueSize] = HostTable::kGuard;
  memset(value, 'q', kScriptValueSize);
  GetScriptVar(table.params(), name, value);
  EXPECT_EQ(value[kScriptValueSize], HostTable::kGuard) << "wrote past the 256-byte buffer";
  return value;
}

TEST(ScriptVars, AbsentVariableReadsEmptyAndChangesNothing) {
  HostTable table(4);
  table.HostAppend("%OTHER%", "x");
  std::string before = table.Snapshot();
  EXPECT_EQ(Read(table, "MAINDIR"), "");
  EXPECT_EQ(table.Snapshot(), before);
}

TEST(ScriptVars, NewVariableIsAppendedWrappedAtCount) {
  HostTable table(4);
  table.HostAppend("%FIRST%", "1");
  EXPECT_EQ(SetScriptVar(table.params(), "MAINDIR", "C:\\Kelo"), 1);
  EXPECT_EQ(table.params()->count, 2u);
  EXPECT_STREQ(table.NameSlot(1), "%MAINDIR%");
  EXPECT_STREQ(table.ValueSlot(1), "C:\\Kelo");
  EXPECT_EQ(Read(table, "MAINDIR"), "C:\\Kelo");
  EXPECT_TRUE(table.GuardsIntact());
}

TEST(ScriptVars, ExistingVariableIsReplacedInPlace) {
  HostTable table(4);
  table.HostAppend("%A%", "1");
  table.HostAppend("%MAINDIR%", "a long old value");
  EXPECT_EQ(SetScriptVar(table.params(), "MAINDIR", "new"), 1);
  EXPECT_EQ(table.params()->count, 2u);
  EXPECT_STREQ(table.ValueSlot(1), "new");
}

TEST(ScriptVars, FullTableRefusesNewVariableButUpdatesExisting) {
  HostTable table(2);
  table.HostAppend("%A%", "1");
  table.HostAppend("%B%", "2");
  std::string before = table.Snapshot();
  EXPECT_EQ(SetScriptVar(table.params(), "C", "3"), 0);
  EXPECT_EQ(table.Snapshot(), before);
  EXPECT_EQ(SetScriptVar(table.params(), "B", "two"), 1);
  EXPECT_EQ(Read(table, "B"), "two");
}

TEST(ScriptVars, NamesMatchOnlyExactlyAndWrapped) {
  HostTable table(4);
  table.HostAppend("%maindir%", "lower case");
  table.HostAppend("MAINDIR", "no percent signs");
  table.HostAppend("%MAINDIRX%", "longer name");
  EXPECT_EQ(Read(table, "MAINDIR"), "");
  EXPECT_EQ(SetScriptVar(table.params(), "MAINDIR", "v"), 1);
  EXPECT_EQ(table.params()->count, 4u);
  EXPECT_STREQ(table.NameSlot(3), "%MAINDIR%");
  EXPECT_STREQ(table.ValueSlot(0), "lower case");
}

TEST(ScriptVars, ValueOf255CharactersTravelsWhole) {
  HostTable table(2);
  std::string value(255, 'v');
  EXPECT_EQ(SetScriptVar(table.params(), "MAINDIR", value.c_str()), 1);
  EXPECT_EQ(Read(table, "MAINDIR"), value);
  EXPECT_TRUE(table.GuardsIntact());
}

// Values the host stored wider than the library's 256-byte buffer, or without a terminator in
// their slot, are cut where the buffer or the slot ends.
TEST(ScriptVars, ReadIsBoundedByBufferAndSlot) {
  struct Case {
    DWORD valueWidth;
    size_t stored;  // characters the host put in slot 0, without a terminator when it fills it
    size_t read;
  } cases[] = {{400, 300, 255}, {400, 255, 255}, {16, 16, 16}, {300, 300, 255}};
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    HostTable table(2, 32, c.valueWidth);
    table.HostAppend("%V%", "");
    memset(table.ValueSlot(0), 'w', c.stored);
    if (c.stored < c.valueWidth) table.ValueSlot(0)[c.stored] = '\0';
    table.ValueSlot(1)[0] = 'n';  // the next slot, which an unbounded read would run into
    EXPECT_EQ(Read(table, "V"), std::string(c.read, 'w')) << "row " << row;
  }
}

TEST(ScriptVars, WriteIsCutToTheValueSlot) {
  HostTable table(2, 32, 8);
  table.HostAppend("%A%", "");
  table.HostAppend("%B%", "next");
  EXPECT_EQ(SetScriptVar(table.params(), "A", "0123456789"), 1);
  EXPECT_STREQ(table.ValueSlot(0), "0123456");
  EXPECT_STREQ(table.ValueSlot(1), "next");
}

TEST(ScriptVars, NamesThatCannotBeStoredAreRefused) {
  struct Case {
    size_t nameLength;
    DWORD nameWidth;
    bool stored;
  } cases[] = {
      {29, 32, true},   // "%" + 29 + "%" + NUL = 32 bytes, the library's own limit
      {30, 64, false},  // over 29 characters, however wide the slots
      {12, 15, true},   // %INST_VERSION% and its NUL fill a 15-byte slot exactly
      {13, 15, false},  // one more would overrun the slot
  };
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const Case& c = cases[row];
    HostTable table(2, c.nameWidth);
    std::string name(c.nameLength, 'N');
    std::string before = table.Snapshot();
    EXPECT_EQ(SetScriptVar(table.params(), name.c_str(), "v"), c.stored ? 1 : 0) << "row " << row;
    EXPECT_EQ(Read(table, name.c_str()), c.stored ? "v" : "") << "row " << row;
    if (!c.stored) {
      EXPECT_EQ(table.Snapshot(), before) << "row " << row;
    }
    EXPECT_TRUE(table.GuardsIntact()) << "row " << row;
  }
}

TEST(ScriptVars, SlotsWithoutRoomForATerminatorStoreNothing) {
  HostTable table(2, 32, 0);
  EXPECT_EQ(SetScriptVar(table.params(), "A", "v"), 0);
  EXPECT_EQ(table.params()->count, 0u);
}

}  // namespace
