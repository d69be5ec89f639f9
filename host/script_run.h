// The state of a running script, shared by the commands: the variable table, the outcome of the
// last export call, the failed expectations, and where output and errors go.
#pragma once

#include <ostream>
#include <string>

#include <windows.h>

#include "script_program.h"
#include "variable_table.h"

// Exit statuses of hostrun.
constexpr int kExitSuccess = 0;
constexpr int kExitExpectationFailed = 1;  // the script ran to its end, but an expect failed
constexpr int kExitError = 2;              // bad usage, a bad script, or an error while it ran

struct QueryOutcome {
  DWORD size;         // *size as the export left it
  bool answered;      // the result was 1 and the buffer held a terminated text
  std::string text;   // that text
};

class ScriptRun {
 public:
  ScriptRun(const std::string& scriptName, VariableTable& table, std::ostream& out, std::ostream& errors)
      : table(table), out(out), scriptName_(scriptName), errors_(errors) {}

  // Reports an error at the statement's line as "SCRIPT:LINE: message". Returns false, so that a
  // command can `return run.Error(...)` to stop the script.
  bool Error(const Statement& statement, const std::string& message);

  // Reports a failed expectation at the statement's line; the script goes on.
  void Mismatch(const Statement& statement, const std::string& message);

  int failedExpectations() const { return failedExpectations_; }

  VariableTable& table;
  std::ostream& out;

  bool haveResult = false;  // a call or query has run
  int lastResult = 0;       // its result
  bool haveQuery = false;   // a query has run
  QueryOutcome lastQuery{0, false, ""};

 private:
  void Report(const Statement& statement, const std::string& message);

  std::string scriptName_;
  std::ostream& errors_;
  int failedExpectations_ = 0;
};
