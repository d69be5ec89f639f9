// Control of the simulated system, for tests, the demo and the tools of the native build. Product
// code never includes this header.
#pragma once

#include <string>

#include "windef.h"

namespace winsim {

// The simulated system is a folder: drive C: is its subfolder "c". It is taken from the
// environment variable WINSIM_ROOT when set (so a program started by another shares its system),
// else made afresh in the temporary folder the first time it is needed.
void SetSystemRoot(const std::string& folder);
const std::string& SystemRoot();

// The host path of a path on a simulated drive, as far as it exists, resolving each component
// without regard to case and by its short name. Empty when a component is missing.
std::string HostPath(const char* windowsPath);

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

}  // namespace winsim
