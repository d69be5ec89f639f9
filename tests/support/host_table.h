// A host variable table for tests, owned as the host owns it, with a guard zone after each
// table so a write past the last slot shows.
#pragma once

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "host_interface.h"

class HostTable {
 public:
  static constexpr char kGuard = '\x5A';
  static constexpr size_t kGuardSize = 64;

  HostTable(DWORD maxCount, DWORD nameWidth = 32, DWORD valueWidth = 256)
      : names_(static_cast<size_t>(maxCount) * nameWidth + kGuardSize, kGuard),
        values_(static_cast<size_t>(maxCount) * valueWidth + kGuardSize, kGuard) {
    memset(names_.data(), 0, names_.size() - kGuardSize);
    memset(values_.data(), 0, values_.size() - kGuardSize);
    params_ = HostCallParams{0, nullptr, maxCount, nameWidth, valueWidth, 0, names_.data(), values_.data()};
  }

  HostCallParams* params() { return &params_; }

  // Slots as the host sees them.
  char* NameSlot(DWORD i) { return names_.data() + static_cast<size_t>(i) * params_.nameWidth; }
  char* ValueSlot(DWORD i) { return values_.data() + static_cast<size_t>(i) * params_.valueWidth; }

  // Puts an entry in place as the host would, bypassing the library.
  void HostAppend(const std::string& wrappedName, const std::string& value) {
    memcpy(NameSlot(params_.count), wrappedName.c_str(), wrappedName.size() + 1);
    memcpy(ValueSlot(params_.count), value.c_str(), value.size() + 1);
    ++params_.count;
  }

  // The entries in table order, names without their percent signs.
  std::vector<std::pair<std::string, std::string>> Entries() {
    std::vector<std::pair<std::string, std::string>> entries;
    for (DWORD i = 0; i < params_.count; ++i) {
      std::string name(NameSlot(i), strnlen(NameSlot(i), params_.nameWidth));
      if (name.size() >= 2 && name.front() == '%' && name.back() == '%') name = name.substr(1, name.size() - 2);
      entries.emplace_back(name, std::string(ValueSlot(i), strnlen(ValueSlot(i), params_.valueWidth)));
    }
    return entries;
  }

  // True while nothing was written past either table.
  bool GuardsIntact() const {
    for (size_t i = names_.size() - kGuardSize; i < names_.size(); ++i)
      if (names_[i] != kGuard) return false;
    for (size_t i = values_.size() - kGuardSize; i < values_.size(); ++i)
      if (values_[i] != kGuard) return false;
    return true;
  }

  // The whole memory, to show that a refused call changed nothing.
  std::string Snapshot() const {
    return std::string(names_.begin(), names_.end()) + std::string(values_.begin(), values_.end()) +
           std::to_string(params_.count);
  }

 private:
  std::vector<char> names_;
  std::vector<char> values_;
  HostCallParams params_;
};
