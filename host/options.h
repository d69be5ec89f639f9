// hostrun's command line.
#pragma once

#include <ostream>
#include <string>

#include <windows.h>

struct Options {
  std::string library = "install.dll";  // as LoadLibraryA takes it
  DWORD capacity = 64;                  // entries of the variable table
  DWORD nameWidth = 32;                 // bytes of one name slot
  DWORD valueWidth = 256;               // bytes of one value slot
  std::string script;                   // file name, or "-" for standard input
  bool help = false;
};

// Reads the command line into `options`. Returns "" when it is sound; otherwise what is wrong.
std::string ParseOptions(int argc, char** argv, Options* options);

void PrintUsage(std::ostream& out);
