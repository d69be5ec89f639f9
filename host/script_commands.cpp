// The command table and the commands that work on the host's side: setting, printing and
// checking variables and results. The export calls live in export_calls.cpp.
#include "script_commands.h"

#include <string.h>

#include "export_calls.h"
#include "script_lexer.h"
#include "script_run.h"

namespace {

const std::string& Text(const Statement& statement, size_t index) {
  return statement.arguments[index].text;
}

bool RunSet(ScriptRun& run, const Statement& statement) {
  std::string refused = run.table.Set(Text(statement, 0), Text(statement, 1));
  if (!refused.empty()) return run.Error(statement, "set: " + refused);
  return true;
}

bool RunPrint(ScriptRun& run, const Statement& statement) {
  const std::string& name = Text(statement, 0);
  std::string value;
  if (run.table.Find(name, &value)) {
    run.out << name << " = " << QuoteText(value) << "\n";
  } else {
    run.out << name << " is not set\n";
  }
  return true;
}

bool RunVars(ScriptRun& run, const Statement& /*statement*/) {
  std::vector<Variable> entries = run.table.Entries();
  run.out << "vars (" << entries.size() << " of " << run.table.Params()->maxCount << ")\n";
  for (const Variable& variable : entries) {
    run.out << "  " << variable.name << " = " << QuoteText(variable.value) << "\n";
  }
  return true;
}

bool RunExpect(ScriptRun& run, const Statement& statement) {
  const std::string& name = Text(statement, 0);
  const std::string& expected = Text(statement, 1);
  std::string value;
  if (!run.table.Find(name, &value)) {
    run.Mismatch(statement, "expect " + name + ": not set, expected " + QuoteText(expected));
  } else if (value != expected) {
    run.Mismatch(statement, "expect " + name + ": " + QuoteText(value) + ", expected " + QuoteText(expected));
  }
  return true;
}

bool RunExpectUnset(ScriptRun& run, const Statement& statement) {
  const std::string& name = Text(statement, 0);
  std::string value;
  if (run.table.Find(name, &value)) {
    run.Mismatch(statement, "expect-unset " + name + ": set to " + QuoteText(value));
  }
  return true;
}

bool RunExpectResult(ScriptRun& run, const Statement& statement) {
  if (!run.haveResult) return run.Error(statement, "expect-result: no call or query has run yet");
  long long expected = statement.arguments[0].number;
  if (run.lastResult != expected) {
    run.Mismatch(statement, "expect-result: " + std::to_string(run.lastResult) + ", expected " +
                                std::to_string(expected));
  }
  return true;
}

bool RunExpectSize(ScriptRun& run, const Statement& statement) {
  if (!run.haveQuery) return run.Error(statement, "expect-size: no query has run yet");
  long long expected = statement.arguments[0].number;
  if (run.lastQuery.size != expected) {
    run.Mismatch(statement, "expect-size: " + std::to_string(run.lastQuery.size) + ", expected " +
                                std::to_string(expected));
  }
  return true;
}

bool RunExpectText(ScriptRun& run, const Statement& statement) {
  if (!run.haveQuery) return run.Error(statement, "expect-text: no query has run yet");
  const std::string& expected = Text(statement, 0);
  if (!run.lastQuery.answered) {
    run.Mismatch(statement, "expect-text: the last query gave no text, expected " + QuoteText(expected));
  } else if (run.lastQuery.text != expected) {
    run.Mismatch(statement, "expect-text: " + QuoteText(run.lastQuery.text) + ", expected " + QuoteText(expected));
  }
  return true;
}

bool RunEnd(ScriptRun& /*run*/, const Statement& /*statement*/) { return true; }

using K = ArgumentKind;

const Command kCommands[] = {
    {"set", 2, {K::Name, K::Text}, Block::None, "NAME VALUE", "give NAME the text VALUE (added if absent)",
     RunSet},
    {"call", 1, {K::Export}, Block::None, "EXPORT",
     "call int EXPORT(HostCallParams*); print its result and changes", CallHostExport},
    {"query", 2, {K::Export, K::Capacity}, Block::None, "EXPORT CAPACITY",
     "call int EXPORT(char*, DWORD*) with a CAPACITY-byte buffer", CallQueryExport},
    {"while", 1, {K::Export}, Block::Opens, "EXPORT",
     "call EXPORT; while it returns 1, run the lines up to end", CallHostExport},
    {"end", 0, {}, Block::Closes, "", "close the innermost while", RunEnd},
    {"print", 1, {K::Name}, Block::None, "NAME", "print one variable", RunPrint},
    {"vars", 0, {}, Block::None, "", "print the whole table in table order", RunVars},
    {"expect", 2, {K::Name, K::Text}, Block::None, "NAME VALUE", "check that NAME is set to VALUE",
     RunExpect},
    {"expect-unset", 1, {K::Name}, Block::None, "NAME", "check that NAME is not in the table",
     RunExpectUnset},
    {"expect-result", 1, {K::Integer}, Block::None, "N", "check the result of the last call or query",
     RunExpectResult},
    {"expect-size", 1, {K::Integer}, Block::None, "N", "check the size the last query returned",
     RunExpectSize},
    {"expect-text", 1, {K::Text}, Block::None, "TEXT", "check the text the last query returned",
     RunExpectText},
};

}  // namespace

const Command* FindCommand(const char* name) {
  for (const Command& command : kCommands) {
    if (strcmp(command.name, name) == 0) return &command;
  }
  return nullptr;
}

const Command* Commands(size_t* count) {
  *count = sizeof kCommands / sizeof kCommands[0];
  return kCommands;
}
