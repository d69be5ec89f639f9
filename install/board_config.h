// The board configuration shared by the configuration procedure, the COM port setup dialog, the
// modem setup file merge and the port sequencing: process-wide, never reset between calls.
#pragma once

#include <windows.h>

constexpr int kMaxBoardPorts = 8;
constexpr int kComNumbers = 256;  // COM1 to COM256

struct BoardSettings {
  HWND OwnerWindow;          // owner of the dialog, the configuration boxes and Help
  LONG BoardIndex;           // position in the board type table, -1 when not in it
  LONG PortCount;            // 2, 4 or 8
  LONG IsPci;                // -1 not decided, 0 ISA, 1 PCI
  LONG BusNumber;            // -1 for none
  char IoText[16];           // base I/O address, upper-case hex without prefix, or "PCI"
  LONG SecondaryIoAddress;   // the address paired with the base address
  char IrqText[16];          // interrupt line as decimal text, or "PCI"
  LONG PortNumbers[kMaxBoardPorts];  // entry i: the n of COMn of port i + 1
};

extern BoardSettings PortConfig;
// Flag k stands for COM(k + 1); a set flag means the name belongs to another device.
extern unsigned char ComInUse[kComNumbers];
// Buses the dialog offers; nothing in the system finds buses, so it stays 0.
extern int BusCount;
// Set: confirming the dialog re-attaches modems of renamed ports and stores the numbers.
extern bool PortsEdited;
// Set by ShowConfigError: the current configuration call has failed.
extern bool ErrorRaised;

// Message boxes with the exclamation icon and an OK button, titled "Configuration Error" or
// "Configuration Warning", owned by `owner`. The message is formatted with wvsprintfA into a
// buffer of 1024 bytes, which is wvsprintfA's own limit. ShowConfigError sets ErrorRaised first;
// ShowConfigWarning changes no state.
void ShowConfigError(HWND owner, const char* format, ...);
void ShowConfigWarning(HWND owner, const char* format, ...);

// Diagnostic traces: shown, written and kept nowhere.
void TraceMessage(const char* format, ...);

// Fills numbers[0] to numbers[count - 1] with the lowest COM numbers whose ComInUse flag is
// clear, in ascending order; sets no flag. When the free numbers run out, the entries left keep
// their values. `numbers` holds at least `count` entries.
void AssignFreePorts(int count, LONG* numbers);
