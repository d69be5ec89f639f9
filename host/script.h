// Running a checked script against the loaded library.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "script_program.h"
#include "script_run.h"

// Rounds a `while` body may run before the script is stopped: a loop whose export never stops
// returning 1 is a fault, not a reason to hang.
constexpr int kMaxLoopRounds = 1000;

// Looks up every export the script names in `module` by its plain name, so a misspelt or
// missing export stops the script before anything has run. Returns false with one message per
// statement whose export is missing, "SCRIPT:LINE: message"; `libraryName` names the library.
bool ResolveExports(HMODULE module, const std::string& libraryName, Program* program,
                    std::vector<std::string>* errors);

// Runs the statements in order. Returns kExitSuccess, kExitExpectationFailed when the script ran
// to its end with a failed expect, or kExitError when a statement stopped it.
int RunScript(const Program& program, ScriptRun& run);
