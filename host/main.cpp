// hostrun: the stand-in for the product installation engine. Loads the install library by file
// name, looks its exports up by their plain names, and runs an installation script against a
// variable table the host owns.
#include <stdio.h>

#include <iostream>
#include <string>
#include <vector>

#include <windows.h>

#include "options.h"
#include "script.h"
#include "script_parser.h"
#include "script_run.h"
#include "variable_table.h"

namespace {

// The whole of a file, or of standard input for "-". False when it cannot be read.
bool ReadScript(const std::string& fileName, std::string* text) {
  FILE* file = fileName == "-" ? stdin : fopen(fileName.c_str(), "rb");
  if (file == nullptr) return false;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) text->append(chunk, got);
  bool failed = ferror(file) != 0;
  if (file != stdin) fclose(file);
  return !failed;
}

void PrintAll(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) std::cerr << message << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string wrong = ParseOptions(argc, argv, &options);
  if (!wrong.empty()) {
    std::cerr << "hostrun: " << wrong << " (see --help)\n";
    return kExitError;
  }
  if (options.help) {
    PrintUsage(std::cout);
    return kExitSuccess;
  }

  std::string text;
  if (!ReadScript(options.script, &text)) {
    std::cerr << "hostrun: cannot read the script " << options.script << "\n";
    return kExitError;
  }
  std::string scriptName = options.script == "-" ? "stdin" : options.script;
  Program program;
  std::vector<std::string> errors;
  if (!ParseScript(scriptName, text, &program, &errors)) {
    PrintAll(errors);
    return kExitError;
  }

  HMODULE library = LoadLibraryA(options.library.c_str());
  if (library == nullptr) {
    std::cerr << "hostrun: cannot load " << options.library << " (error " << GetLastError() << ")\n";
    return kExitError;
  }
  int status = kExitError;
  if (ResolveExports(library, options.library, &program, &errors)) {
    VariableTable table(options.capacity, options.nameWidth, options.valueWidth);
    ScriptRun run(scriptName, table, std::cout, std::cerr);
    status = RunScript(program, run);
    if (status == kExitExpectationFailed) {
      std::cerr << scriptName << ": " << run.failedExpectations() << " expectation"
                << (run.failedExpectations() == 1 ? "" : "s") << " failed\n";
    }
  } else {
    PrintAll(errors);
  }
  std::cout.flush();
  FreeLibrary(library);
  return status;
}
