// Control of the simulated system, for tests, the demo and the tools of the native build. Product
// code never includes this header.
#pragma once

#include <string>
#include <vector>

#include "windef.h"

namespace winsim {

// The simulated system is a folder: drive C: is its subfolder "c" (the Windows folder is
// C:\WINNT, the system folder C:\WINNT\system32, the INF folder C:\WINNT\inf), and the registry
// is the REGEDIT4 file "registry.reg" beside it.
//
// Programs: the first use of the system opens the folder named by the environment variable
// WINSIM_ROOT, or else the folder "system" beside the executable (build/native/system). Its
// registry is loaded from registry.reg and written back after every change, through a temporary
// file and a rename, so one process can install and another uninstall.
// A registry.reg that cannot be read is reported on standard error and left untouched: that run
// works on an empty registry in memory. Registry handles still open are closed.
void OpenSystem(const std::string& folder);
// Tests: a fresh, empty system in `folder` whose registry lives in memory only. Registry handles
// still open are closed. (tests/support/fresh_system.cpp does this before every test.)
void ResetSystem(const std::string& folder);
const std::string& SystemRoot();

// The registry as .reg text (REGEDIT4, or "Windows Registry Editor Version 5.00"): keys,
// values of every type, key and value deletions. False with a message on a file it cannot read.
bool ImportRegFile(const std::string& hostPath, std::string* error);
// Writes the whole registry as REGEDIT4 text, keys in case-insensitive order and values in their
// order; as a UTF-16LE "Version 5.00" file only when some name or string holds a character code
// page 1252 lacks, so that nothing is lost. Written through a temporary file and a rename.
bool ExportRegFile(const std::string& hostPath, std::string* error);

// The host path of a path on a simulated drive, as far as it exists, resolving each component
// without regard to case and by its short name. Empty when a component is missing.
std::string HostPath(const char* windowsPath);

// The host folder of the simulated system's INF folder, C:\WINNT\inf, made when missing. The
// device installer builds class driver lists from the .inf files a test puts there.
std::string InfFolder();

// Accounting: what is open now, so a test can assert an operation leaves nothing behind.
enum class Resource { Module, File, RegistryKey, DeviceInfoSet, Window, Count };
int OpenCount(Resource resource);
void CountOpened(Resource resource);
void CountClosed(Resource resource);

// Fault injection: the nth call (1 for the next) of `operation`, named by its Win32 function
// name, fails with `error` as that function documents its failures.
void FailCall(const std::string& operation, int nth, DWORD error);
void ClearFaults();
// For the simulation's functions: true, with the error to report, when this call is to fail.
bool ShouldFail(const char* operation, DWORD* error);

// Message boxes. Every box shown is recorded with what the user saw; the scripted user answers
// it with the next queued answer. A box with no answer queued is recorded as unanswered, said
// on standard error, and fails (MessageBoxA returns 0), so a test never waits on it.
struct MessageBoxRecord {
  HWND owner;
  std::string title;
  std::string text;
  UINT style;
  int answer;  // 0 when unanswered
};
void QueueMessageBoxAnswer(int button);
const std::vector<MessageBoxRecord>& MessageBoxes();
void ClearMessageBoxes();

}  // namespace winsim
