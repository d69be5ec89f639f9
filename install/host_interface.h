// The host installation engine's parameter block and the two operations on its variable table.
//
// On every call the host passes a HostCallParams that describes its table of script variables:
// name slots hold "%NAME%", value slots hold the value, both NUL-terminated 8-bit text. The library
// keeps no pointer into the table between calls and writes only `count`.
#pragma once

#include <stddef.h>
#include <windows.h>

struct HostCallParams {
  DWORD reserved;     // never read or written by the library
  HWND parentWindow;  // owner of the dialogs the library shows
  DWORD maxCount;     // entries the table can hold
  DWORD nameWidth;    // bytes of one name slot, and the stride between name slots
  DWORD valueWidth;   // bytes of one value slot, and the stride between value slots
  DWORD count;        // entries in use: 0 to count - 1
  char* nameTable;    // name slot 0
  char* valueTable;   // value slot 0
};

#if defined(_WIN32) && !defined(_WIN64)
// The host lays the block out as eight 32-bit fields without gaps.
static_assert(offsetof(HostCallParams, reserved) == 0, "HostCallParams layout");
static_assert(offsetof(HostCallParams, parentWindow) == 4, "HostCallParams layout");
static_assert(offsetof(HostCallParams, maxCount) == 8, "HostCallParams layout");
static_assert(offsetof(HostCallParams, nameWidth) == 12, "HostCallParams layout");
static_assert(offsetof(HostCallParams, valueWidth) == 16, "HostCallParams layout");
static_assert(offsetof(HostCallParams, count) == 20, "HostCallParams layout");
static_assert(offsetof(HostCallParams, nameTable) == 24, "HostCallParams layout");
static_assert(offsetof(HostCallParams, valueTable) == 28, "HostCallParams layout");
static_assert(sizeof(HostCallParams) == 32, "HostCallParams layout");
#endif

// Longest bare variable name: "%" + name + "%" and its terminator fit in 32 bytes.
constexpr size_t kScriptNameMax = 29;
// Size in bytes of the buffer GetScriptVar fills: a value is read as 255 characters at most.
constexpr size_t kScriptValueSize = 256;

// Copies the value of the variable `name` (bare, without percent signs) into `value`, which holds
// kScriptValueSize bytes. The copy stops at the slot's terminator, at the slot's width or at 255
// characters, whichever comes first, and is always terminated. An absent variable, or a name the
// table cannot hold (over kScriptNameMax characters, or too wide for a name slot), yields "".
void GetScriptVar(const HostCallParams* params, const char* name, char* value);

// Gives the variable `name` the text `value`, appending the variable at position `count` if it is
// absent. The value is cut to valueWidth - 1 characters so it stays inside its slot. Returns 1 on
// success; 0, with the table and `count` unchanged, when the variable is absent and the table is
// full, or when the name cannot be stored (see GetScriptVar) or a slot holds no byte at all.
int SetScriptVar(HostCallParams* params, const char* name, const char* value);
