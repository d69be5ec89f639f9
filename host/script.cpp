// The interpreter: export lookup before the run, then statements in order, with `while` blocks.
#include "script.h"

#include "script_commands.h"

bool ResolveExports(HMODULE module, const std::string& libraryName, Program* program,
                    std::vector<std::string>* errors) {
  errors->clear();
  for (Statement& statement : program->statements) {
    const Command* command = statement.command;
    for (size_t i = 0; i < command->argumentCount; ++i) {
      if (command->arguments[i] != ArgumentKind::Export) continue;
      const std::string& name = statement.arguments[i].text;
      statement.procedure = GetProcAddress(module, name.c_str());
      if (statement.procedure == nullptr) {
        DWORD error = GetLastError();
        errors->push_back(program->name + ":" + std::to_string(statement.line) + ": " + libraryName +
                          " has no export named " + name + " (error " + std::to_string(error) + ")");
      }
    }
  }
  return errors->empty();
}

int RunScript(const Program& program, ScriptRun& run) {
  const std::vector<Statement>& statements = program.statements;
  std::vector<int> rounds(statements.size(), 0);  // body rounds of each `while` now running
  size_t next = 0;
  while (next < statements.size()) {
    const Statement& statement = statements[next];
    if (!statement.command->run(run, statement)) return kExitError;

    if (statement.command->block == Block::Opens) {
      if (run.lastResult != 1) {
        rounds[next] = 0;
        next = statement.partner + 1;
        continue;
      }
      if (++rounds[next] > kMaxLoopRounds) {
        run.Error(statement, std::string(statement.command->name) + " " + statement.arguments[0].text +
                                 ": still 1 after " + std::to_string(kMaxLoopRounds) + " rounds");
        return kExitError;
      }
      ++next;
    } else if (statement.command->block == Block::Closes) {
      next = statement.partner;
    } else {
      ++next;
    }
  }
  return run.failedExpectations() > 0 ? kExitExpectationFailed : kExitSuccess;
}
