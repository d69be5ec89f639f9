// Calling the library's exports through the pointers GetProcAddress gave, with the calling
// convention the host uses (stdcall on Windows).
#include "export_calls.h"

#include <string.h>

#include <map>
#include <vector>

#include "host_interface.h"
#include "script_lexer.h"

namespace {

typedef int(WINAPI* HostCallExport)(HostCallParams* params);
typedef int(WINAPI* QueryExport)(char* buffer, DWORD* size);

// GetProcAddress hands out one generic pointer type; the script says which kind it names.
// void(*)(void) is the type a function pointer passes through without a cast warning.
template <typename Function>
Function ExportAs(FARPROC procedure) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(procedure));
}

constexpr char kSentinel = '\xA5';
constexpr size_t kQueryGuardSize = 16;  // sentinel bytes past the end of a query's buffer

void PrintVariable(std::ostream& out, const Variable& variable) {
  out << "  " << variable.name << " = " << QuoteText(variable.value) << "\n";
}

}  // namespace

bool CallHostExport(ScriptRun& run, const Statement& statement) {
  const std::string& name = statement.arguments[0].text;
  std::vector<Variable> before = run.table.Entries();

  int result = ExportAs<HostCallExport>(statement.procedure)(run.table.Params());
  run.haveResult = true;
  run.lastResult = result;
  run.out << name << " -> " << result << "\n";

  std::string fault = run.table.CheckAfterCall();
  if (!fault.empty()) return run.Error(statement, name + " " + fault);

  std::map<std::string, const std::string*> old;
  for (const Variable& variable : before) old[variable.name] = &variable.value;
  for (const Variable& variable : run.table.Entries()) {
    auto found = old.find(variable.name);
    if (found == old.end() || *found->second != variable.value) PrintVariable(run.out, variable);
    if (found != old.end()) old.erase(found);
  }
  // The library only sets and appends, so this shows a fault; the table stays readable.
  for (const auto& [gone, value] : old) run.out << "  " << gone << " removed\n";
  return true;
}

bool CallQueryExport(ScriptRun& run, const Statement& statement) {
  const std::string& name = statement.arguments[0].text;
  DWORD capacity = static_cast<DWORD>(statement.arguments[1].number);
  std::vector<char> buffer(static_cast<size_t>(capacity) + kQueryGuardSize, kSentinel);
  DWORD size = capacity;

  int result = ExportAs<QueryExport>(statement.procedure)(buffer.data(), &size);
  run.haveResult = true;
  run.lastResult = result;
  run.haveQuery = true;
  run.lastQuery = QueryOutcome{size, false, ""};
  run.out << name << "(" << capacity << ") -> " << result << " size=" << size << " ";

  for (size_t i = capacity; i < buffer.size(); ++i) {
    if (buffer[i] != kSentinel) {
      run.out << "\n";
      return run.Error(statement, name + " wrote past the end of its " + std::to_string(capacity) +
                                      "-byte buffer");
    }
  }
  if (result == 1) {
    const char* end = static_cast<const char*>(memchr(buffer.data(), '\0', capacity));
    if (end == nullptr) {
      run.out << "\n";
      return run.Error(statement, name + " returned 1 without a terminated text in its buffer");
    }
    run.lastQuery.answered = true;
    run.lastQuery.text.assign(buffer.data(), static_cast<size_t>(end - buffer.data()));
    run.out << QuoteText(run.lastQuery.text) << "\n";
    return true;
  }
  bool untouched = true;
  for (size_t i = 0; i < capacity; ++i) untouched = untouched && buffer[i] == kSentinel;
  run.out << (untouched ? "(buffer untouched)" : "(buffer changed!)") << "\n";
  return true;
}
