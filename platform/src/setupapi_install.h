// What the class installers share: the device's driver key and the undoing of a failed
// installation.
#pragma once

#include <string>
#include <vector>

#include "setupapi_addreg.h"
#include "setupapi_reg.h"
#include "setupapi_sets.h"

namespace winsim {
namespace setupapi {

// Keys an installation created, to be deleted again when it fails: a failed installation
// leaves no driver key and no shared key behind that nothing refers to.
struct InstallUndo {
  std::vector<std::u16string> createdKeys;  // below HKEY_LOCAL_MACHINE
  std::u16string driverValueOf;             // instance key path whose Driver value was written
  void Run() const;
};

// The driver key of a registered device, open with KEY_ALL_ACCESS: the key its Driver value
// names, else a new "{class guid}\NNNN" with the lowest free number from 0000 below the class
// key, whose name is then written to the instance's Driver value. Recorded in `undo` when given.
DWORD OpenOrCreateDriverKey(const Device& device, RegKey* key, InstallUndo* undo);

// The modem class installer's part of DIF_INSTALLDEVICE (setupapi_modem.cpp).
DWORD InstallModem(const Device& device, const DriverNode& driver, HKEY driverKey, HKEY instanceKey,
                   const std::vector<AddRegEntry>& entries, InstallUndo* undo);

}  // namespace setupapi
}  // namespace winsim
