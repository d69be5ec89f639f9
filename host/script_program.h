// A checked installation script: one statement per command line, in script order.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

struct Command;

struct Argument {
  std::string text;
  long long number;  // the value of a numeric argument, checked by the parser; 0 otherwise
};

struct Statement {
  int line;  // 1-based line of the script
  const Command* command;
  std::vector<Argument> arguments;
  size_t partner;               // a block's other end: `while` -> its `end`, `end` -> its `while`
  FARPROC procedure = nullptr;  // the export the statement names, once looked up
};

struct Program {
  std::string name;  // the script as the user named it, for messages
  std::vector<Statement> statements;
};
