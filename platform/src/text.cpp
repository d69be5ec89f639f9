// 8-bit text helpers of kernel32.
#include <string.h>
#include <windows.h>

extern "C" int WINAPI lstrlenA(LPCSTR text) {
  return text == nullptr ? 0 : static_cast<int>(strlen(text));
}
