// customize: shows and rewrites the customization block inside a built install library (PE or
// ELF), in place and within each record's width. In a PE file with an image checksum the
// checksum is brought up to date.
//
//   customize show FILE
//   customize set FILE LABEL VALUE
//
// Exit status: 0 done, 1 refused or failed (file untouched), 2 wrong usage.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "block_file.h"
#include "listing.h"
#include "pe_checksum.h"
#include "replace_file.h"

namespace {

constexpr int kRefused = 1;
constexpr int kUsage = 2;

int Fail(const std::string& file, const std::string& message) {
  fprintf(stderr, "customize: %s: %s\n", file.c_str(), message.c_str());
  return kRefused;
}

int Show(char** args) {
  const std::string path = args[0];
  std::vector<unsigned char> file;
  std::string error;
  size_t offset = 0;
  if (!customize::ReadWholeFile(path, &file, &error)) return Fail(path, error);
  if (!customize::LocateBlock(file, &offset, &error)) return Fail(path, error);
  std::span<const unsigned char> block(file.data() + offset, kCustomBlockSize);
  printf("%s: customization block at file offset 0x%zX, %zu bytes\n", path.c_str(), offset,
         kCustomBlockSize);
  fputs(customize::FormatListing(customize::ReadRecords(block)).c_str(), stdout);
  return fflush(stdout) == 0 ? 0 : kRefused;
}

int Set(char** args) {
  const std::string path = args[0];
  std::vector<unsigned char> file;
  std::string error;
  if (!customize::ReadWholeFile(path, &file, &error)) return Fail(path, error);
  if (!customize::SetValue(&file, args[1], args[2], &error)) return Fail(path, error);
  // A stale image checksum would make the patched DLL look damaged to any tool that checks it.
  customize::RefreshPeChecksum(file);
  if (!customize::ReplaceFileContent(path, file, &error)) return Fail(path, error);
  return 0;
}

struct Command {
  const char* name;
  int argumentCount;
  int (*run)(char** args);
  const char* usage;
};

constexpr Command kCommands[] = {
    {"show", 1, Show, "customize show FILE               list every record of the block"},
    {"set", 3, Set, "customize set FILE LABEL VALUE    rewrite one value within its width"},
};

void PrintUsage(FILE* out) {
  fputs("usage:\n", out);
  for (const Command& command : kCommands) fprintf(out, "  %s\n", command.usage);
  fputs("A text value is printable ASCII that fits its width; a number is 0 to 65535, in\n"
        "decimal or 0x hex. The file is replaced only when the whole change is sound.\n",
        out);
}

}  // namespace

#ifdef _WIN32
// Windows gives main() its arguments in the ANSI code page; the tool takes UTF-8 everywhere, so
// it reads the 16-bit command line and converts it.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; wide != nullptr && i < count; ++i) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], size, nullptr, nullptr);
    text.resize(strlen(text.c_str()));
    arguments.push_back(text);
  }
  LocalFree(wide);
  return arguments;
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  std::vector<std::string> utf8 = Utf8Arguments();
  std::vector<char*> pointers;
  for (std::string& argument : utf8) pointers.push_back(&argument[0]);
  pointers.push_back(nullptr);
  if (!utf8.empty()) {
    argc = static_cast<int>(utf8.size());
    argv = pointers.data();
  }
#endif
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    PrintUsage(stdout);
    return 0;
  }
  if (argc >= 2) {
    for (const Command& command : kCommands) {
      if (strcmp(argv[1], command.name) != 0) continue;
      if (argc - 2 == command.argumentCount) return command.run(argv + 2);
      fprintf(stderr, "customize: %s takes %d argument%s\n", command.name, command.argumentCount,
              command.argumentCount == 1 ? "" : "s");
      PrintUsage(stderr);
      return kUsage;
    }
    fprintf(stderr, "customize: unknown command \"%s\"\n", argv[1]);
  }
  PrintUsage(stderr);
  return kUsage;
}
