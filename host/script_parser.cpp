// Parsing of scripts: lines to statements, arguments checked by kind, blocks matched.
#include "script_parser.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <utility>

#include "script_commands.h"
#include "script_lexer.h"

namespace {

// A decimal number, digits only after an optional '-', within [low, high].
bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
  size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
  if (digits == text.size()) return false;
  for (size_t i = digits; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  errno = 0;
  long long parsed = strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

// "" when `argument` is what `kind` asks for; otherwise why not. Fills in its number.
std::string CheckArgument(ArgumentKind kind, Argument* argument) {
  const std::string& text = argument->text;
  switch (kind) {
    case ArgumentKind::Text:
      return "";
    case ArgumentKind::Name:
      if (text.empty()) return "empty variable name";
      if (text.find('%') != std::string::npos) {
        return "variable name " + text + " holds a percent sign; write the bare name";
      }
      return "";
    case ArgumentKind::Export:
      return text.empty() ? "empty export name" : "";
    case ArgumentKind::Capacity:
      if (!ParseNumber(text, 0, kMaxQueryCapacity, &argument->number)) {
        return "capacity " + QuoteText(text) + " is not a number of bytes from 0 to " +
               std::to_string(kMaxQueryCapacity);
      }
      return "";
    case ArgumentKind::Integer:
      if (!ParseNumber(text, INT_MIN, INT_MAX, &argument->number)) {
        return QuoteText(text) + " is not a whole number";
      }
      return "";
  }
  return "unknown argument kind";
}

std::string Plural(size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

bool ParseScript(const std::string& name, const std::string& text, Program* program,
                 std::vector<std::string>* errors) {
  program->name = name;
  program->statements.clear();
  errors->clear();
  std::vector<std::pair<int, std::string>> faults;
  auto report = [&](int line, const std::string& message) { faults.emplace_back(line, message); };

  std::vector<size_t> openBlocks;  // statements of the `while`s not yet closed
  std::vector<Token> tokens;
  int line = 0;
  for (size_t start = 0; start < text.size();) {
    size_t newline = text.find('\n', start);
    size_t stop = newline == std::string::npos ? text.size() : newline;
    std::string lineText = text.substr(start, stop - start);
    start = stop + 1;
    ++line;

    std::string fault = SplitLine(lineText, &tokens);
    if (!fault.empty()) {
      report(line, fault);
      continue;
    }
    if (tokens.empty()) continue;

    const Command* command = FindCommand(tokens[0].text.c_str());
    if (command == nullptr) {
      report(line, "unknown command " + QuoteText(tokens[0].text) + " (see --help)");
      continue;
    }
    if (tokens.size() - 1 != command->argumentCount) {
      report(line, std::string(command->name) + " takes " + Plural(command->argumentCount, "argument") +
                       " (" + command->name + (*command->synopsis ? " " : "") + command->synopsis +
                       "), not " + std::to_string(tokens.size() - 1));
      continue;
    }

    Statement statement{line, command, {}, 0, nullptr};
    bool sound = true;
    for (size_t i = 0; i < command->argumentCount; ++i) {
      statement.arguments.push_back(Argument{tokens[i + 1].text, 0});
      std::string wrong = CheckArgument(command->arguments[i], &statement.arguments.back());
      if (!wrong.empty()) {
        report(line, std::string(command->name) + ": " + wrong);
        sound = false;
      }
    }
    if (!sound) continue;

    size_t index = program->statements.size();
    if (command->block == Block::Opens) {
      openBlocks.push_back(index);
    } else if (command->block == Block::Closes) {
      if (openBlocks.empty()) {
        report(line, std::string(command->name) + " without a while");
        continue;
      }
      statement.partner = openBlocks.back();
      program->statements[openBlocks.back()].partner = index;
      openBlocks.pop_back();
    }
    program->statements.push_back(statement);
  }
  for (size_t open : openBlocks) {
    report(program->statements[open].line,
           std::string(program->statements[open].command->name) + " without an end");
  }

  // An unclosed block is found only at the end; the messages still come in line order.
  std::stable_sort(faults.begin(), faults.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [faultLine, message] : faults) {
    errors->push_back(name + ":" + std::to_string(faultLine) + ": " + message);
  }
  return errors->empty();
}
