// The host's table of script variables, in the memory layout the library is handed: name slots
// holding "%NAME%", value slots holding the value, both NUL-terminated 8-bit text. The host owns
// the memory; a guard zone after each table shows a write past the last slot.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "host_interface.h"

struct Variable {
  std::string name;  // without its percent signs
  std::string value;
};

class VariableTable {
 public:
  // Both tables start zeroed. maxCount * width must stay far below the address space; the
  // options that choose them are range-checked for that.
  VariableTable(DWORD maxCount, DWORD nameWidth, DWORD valueWidth);
  VariableTable(const VariableTable&) = delete;
  VariableTable& operator=(const VariableTable&) = delete;

  // The block to pass to an export. Valid as long as the table lives.
  HostCallParams* Params() { return &params_; }

  // Gives `name` (bare) the text `value`, appending it at position `count` when absent, as the
  // library does. Returns "" when stored; otherwise why not, with the table unchanged: the
  // table is full, or the name or the value does not fit its slot (the host cuts nothing).
  std::string Set(const std::string& name, const std::string& value);

  // The entries in table order. Reads at most `count` entries (never past maxCount) and each
  // slot only within its width, whatever an export left there.
  std::vector<Variable> Entries() const;

  // True, with the value, when `name` is in the table.
  bool Find(const std::string& name, std::string* value) const;

  // After an export returns: what it broke of the host's side of the contract (it writes only
  // `count`, never more than maxCount, and leaves every entry in use terminated within its slot,
  // and nothing past the tables), or "" when nothing. Reports the first fault found.
  std::string CheckAfterCall() const;

 private:
  static constexpr size_t kGuardSize = 64;
  static constexpr char kGuard = '\x5A';

  const char* NameSlot(DWORD position) const;
  const char* ValueSlot(DWORD position) const;
  DWORD EntriesInUse() const;

  std::vector<char> names_;
  std::vector<char> values_;
  HostCallParams params_;
  HostCallParams expected_;  // the block as the host set it, but for `count`
};

// "%NAME%" -> "NAME"; a slot without the percent signs stays as it is.
std::string BareName(const std::string& slotText);
