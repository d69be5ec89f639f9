// The commands of the script language: one table gives each command's syntax, its help line and
// the function that runs it, so parsing, dispatch and the usage text cannot disagree.
#pragma once

#include <stddef.h>

#include "script_program.h"

class ScriptRun;

// What an argument must be; the parser checks each before anything runs.
enum class ArgumentKind {
  Text,      // any token
  Name,      // a bare variable name: not empty, no percent signs
  Export,    // an export of the library, looked up before the script runs
  Capacity,  // a buffer size in bytes, 0 to kMaxQueryCapacity
  Integer,   // a decimal int, optionally negative
};

// How a command shapes the script's blocks.
enum class Block { None, Opens, Closes };

constexpr size_t kMaxArguments = 2;
constexpr long long kMaxQueryCapacity = 1 << 20;

struct Command {
  const char* name;
  size_t argumentCount;
  ArgumentKind arguments[kMaxArguments];
  Block block;
  const char* synopsis;  // the arguments as the usage text shows them
  const char* summary;
  // Runs one statement. Returns false when the script must stop; the error is already reported.
  // A command that opens a block leaves its verdict in ScriptRun::lastResult (1: run the body).
  bool (*run)(ScriptRun& run, const Statement& statement);
};

// The command named `name` (exact spelling), or null.
const Command* FindCommand(const char* name);

// The whole table, in the order the usage text lists it.
const Command* Commands(size_t* count);
