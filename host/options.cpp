// Command line and usage text. The commands' part of the usage comes from the command table.
#include "options.h"

#include <string.h>

#include "script.h"
#include "script_commands.h"

namespace {

// Bounds keep the tables (capacity * width bytes each) well inside a 32-bit address space.
struct SizeOption {
  const char* name;
  DWORD Options::*field;
  DWORD low;
  DWORD high;
};
const SizeOption kSizeOptions[] = {
    {"--capacity", &Options::capacity, 0, 10000},
    {"--name-width", &Options::nameWidth, 0, 4096},
    {"--value-width", &Options::valueWidth, 0, 4096},
};

bool ParseSize(const char* text, DWORD low, DWORD high, DWORD* value) {
  if (*text == '\0' || strlen(text) > 9) return false;
  DWORD parsed = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    parsed = parsed * 10 + static_cast<DWORD>(*p - '0');
  }
  if (parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

}  // namespace

std::string ParseOptions(int argc, char** argv, Options* options) {
  bool haveScript = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (strcmp(argument, "--help") == 0 || strcmp(argument, "-h") == 0) {
      options->help = true;
      return "";
    }
    if (strcmp(argument, "-") != 0 && argument[0] == '-') {
      const SizeOption* size = nullptr;
      for (const SizeOption& candidate : kSizeOptions) {
        if (strcmp(argument, candidate.name) == 0) size = &candidate;
      }
      if (size == nullptr && strcmp(argument, "--library") != 0) {
        return std::string("unknown option ") + argument;
      }
      if (i + 1 >= argc) return std::string(argument) + " needs a value";
      const char* value = argv[++i];
      if (size == nullptr) {
        if (*value == '\0') return "--library needs a file name";
        options->library = value;
      } else if (!ParseSize(value, size->low, size->high, &(options->*size->field))) {
        return std::string(argument) + " takes a number from " + std::to_string(size->low) + " to " +
               std::to_string(size->high) + ", not \"" + value + "\"";
      }
      continue;
    }
    if (haveScript) return std::string("one script only; \"") + argument + "\" is a second one";
    options->script = argument;
    haveScript = true;
  }
  if (!haveScript) return "no script given";
  return "";
}

void PrintUsage(std::ostream& out) {
  out << "Usage: hostrun [OPTIONS] SCRIPT\n"
         "\n"
         "Stands in for the installation engine: loads the install library, keeps a table of\n"
         "script variables in the engine's parameter block, and runs the installation script\n"
         "SCRIPT (\"-\" reads standard input), printing what each export returned and published.\n"
         "\n"
         "Options:\n"
         "  --library FILE     library to load with LoadLibraryA (default install.dll)\n"
         "  --capacity N       entries the variable table holds (default 64, 0 to 10000)\n"
         "  --name-width N     bytes of one name slot (default 32, 0 to 4096)\n"
         "  --value-width N    bytes of one value slot (default 256, 0 to 4096)\n"
         "  --help             show this text\n"
         "\n"
         "Script: one command a line, tokens separated by blanks. A token in double quotes may\n"
         "hold blanks; a double quote inside it is written twice (\"\"). Backslashes are literal.\n"
         "A '#' at the start of a token begins a comment; blank lines are ignored. Variable\n"
         "names are written bare, without percent signs.\n"
         "\n"
         "Commands:\n";
  size_t count = 0;
  const Command* commands = Commands(&count);
  for (size_t i = 0; i < count; ++i) {
    std::string head = std::string(commands[i].name) + " " + commands[i].synopsis;
    out << "  " << head << std::string(head.size() < 24 ? 24 - head.size() : 1, ' ')
        << commands[i].summary << "\n";
  }
  out << "\n"
         "The whole script is checked, and every export it names looked up, before anything\n"
         "runs. A failed expect is reported on standard error as SCRIPT:LINE: and the script\n"
         "goes on; any other error is reported the same way and stops it. A while loop stops\n"
         "the script when its export still returns 1 after "
      << kMaxLoopRounds
      << " rounds.\n"
         "\n"
         "Exit status: 0 when all went well; 1 when the script ran to its end but an expect\n"
         "failed; 2 on bad usage, a bad script, a library that does not load, or an error\n"
         "while the script ran.\n";
}
