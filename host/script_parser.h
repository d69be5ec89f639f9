// Checks a whole script before anything runs: its lines, commands, arguments and blocks.
#pragma once

#include <string>
#include <vector>

#include "script_program.h"

// Parses `text`, the script called `name` in messages. Returns true with `program` filled when
// the script is sound; otherwise false with one message per fault, "NAME:LINE: message", in line
// order. Exports are not looked up here (see ResolveExports).
bool ParseScript(const std::string& name, const std::string& text, Program* program,
                 std::vector<std::string>* errors);
