// Modem devices for the board's ports: one root-enumerated device of the modem class per port,
// installed with the product's modem driver and bound to its COM port by AttachedTo. The steps
// of InstallModems, declared here so tests can run them one by one.
#pragma once

#include "host_interface.h"
#include "setupapi_functions.h"

// The largest board has 8 ports; the port number list has that many entries.
constexpr DWORD kMaxModemPorts = 8;
// Characters of the 16-bit manufacturer and model texts, their terminator included.
constexpr size_t kModemTextSize = 256;
// Largest port number that "COM%i" writes in 7 characters.
constexpr int kLastModemPort = 9999;

// Fills ports[0] to ports[count - 1] (count at most kMaxModemPorts; more are not read) from
// PORT1 to PORTcount: the number from the value's first decimal digit on, read with "%i". A
// port that is missing, longer than 7 characters, holds no digit or whose number is outside 0
// to kLastModemPort gets -1. Returns true when every port was read.
bool ReadPortNumbers(const HostCallParams* params, int* ports, DWORD count);

// Widens the NUL-terminated 8-bit `source` into `destination`, which holds kModemTextSize
// characters; at most kModemTextSize - 1 bytes are taken. ASCII bytes become the character of
// the same value; a text with bytes above 0x7F goes through the ANSI code page, as the
// uninstaller converts the modem name. The result is always terminated.
void WidenText(const char* source, WCHAR* destination);

// The device sequence on a new modem class set: select the driver, create `count` devices
// (at most kMaxModemPorts), install them, attach device k to COM<ports[k]>. Returns the first
// Win32 error code, 0 for success. The device installer is loaded for the call and freed again
// (its library or a function missing is returned as that failure's code); the set and its
// driver list are released before it returns; devices registered before a failure stay.
DWORD InstallModemDevices(const int* ports, const WCHAR* model, const WCHAR* manufacturer, DWORD count);

// Builds the set's class driver list and selects its first entry whose MfgName and Description
// equal the texts exactly. ERROR_FILE_NOT_FOUND when none does.
DWORD SelectModemDriver(const SetupApi& api, HDEVINFO set, const WCHAR* manufacturer, const WCHAR* model);

// Creates and registers `count` devices ROOT\VMODEMS\nnnn described by `model`, each taking
// the set's selected driver. Stops at the first failure; devices registered so far stay.
DWORD CreateModemDevices(const SetupApi& api, HDEVINFO set, const WCHAR* model, DWORD count);

// Runs DIF_INSTALLDEVICE on every device of the set in order; stops at the first failure.
DWORD InstallCreatedDevices(const SetupApi& api, HDEVINFO set);

// Writes AttachedTo = "COM<ports[k]>" into the driver key of device k of the set, for every
// device (at most kMaxModemPorts, the entries of `ports`). Stops at the first failure.
DWORD AttachModemPorts(const SetupApi& api, HDEVINFO set, const int* ports);
