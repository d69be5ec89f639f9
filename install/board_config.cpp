// The shared board configuration state, its message boxes and the free port assignment.
#include "board_config.h"

#include <stdarg.h>

BoardSettings PortConfig = {nullptr, 0, 0, -1, -1, "", 0, "", {0, 0, 0, 0, 0, 0, 0, 0}};
unsigned char ComInUse[kComNumbers];
int BusCount = 0;
bool PortsEdited = false;
bool ErrorRaised = false;

namespace {

void ShowConfigBox(HWND owner, const char* title, const char* format, va_list arguments) {
  char message[1024];  // wvsprintfA fills at most 1024 bytes, terminator included
  wvsprintfA(message, format, arguments);
  MessageBoxA(owner, message, title, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void ShowConfigError(HWND owner, const char* format, ...) {
  ErrorRaised = true;
  va_list arguments;
  va_start(arguments, format);
  ShowConfigBox(owner, "Configuration Error", format, arguments);
  va_end(arguments);
}

void ShowConfigWarning(HWND owner, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  ShowConfigBox(owner, "Configuration Warning", format, arguments);
  va_end(arguments);
}

void TraceMessage(const char* /*format*/, ...) {}

void AssignFreePorts(int count, LONG* numbers) {
  int candidate = 1;
  for (int i = 0; i < count; ++i) {
    while (candidate <= kComNumbers && ComInUse[candidate - 1] != 0) ++candidate;
    if (candidate > kComNumbers) return;
    numbers[i] = candidate++;
  }
}
