// Reporting from a running script.
#include "script_run.h"

void ScriptRun::Report(const Statement& statement, const std::string& message) {
  out.flush();  // so a transcript on one terminal keeps the order of events
  errors_ << scriptName_ << ":" << statement.line << ": " << message << std::endl;
}

bool ScriptRun::Error(const Statement& statement, const std::string& message) {
  Report(statement, message);
  return false;
}

void ScriptRun::Mismatch(const Statement& statement, const std::string& message) {
  Report(statement, message);
  ++failedExpectations_;
}
