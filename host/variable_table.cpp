// The host-side variable table: the host's own store and lookup, written apart from the
// library's so that hostrun checks the library rather than sharing its faults.
#include "variable_table.h"

#include <string.h>

namespace {

bool Terminated(const char* slot, DWORD width) { return memchr(slot, '\0', width) != nullptr; }

}  // namespace

VariableTable::VariableTable(DWORD maxCount, DWORD nameWidth, DWORD valueWidth)
    : names_(static_cast<size_t>(maxCount) * nameWidth + kGuardSize, kGuard),
      values_(static_cast<size_t>(maxCount) * valueWidth + kGuardSize, kGuard) {
  memset(names_.data(), 0, names_.size() - kGuardSize);
  memset(values_.data(), 0, values_.size() - kGuardSize);
  params_ = HostCallParams{0, nullptr, maxCount, nameWidth, valueWidth, 0, names_.data(), values_.data()};
  expected_ = params_;
}

const char* VariableTable::NameSlot(DWORD position) const {
  return names_.data() + static_cast<size_t>(position) * expected_.nameWidth;
}

const char* VariableTable::ValueSlot(DWORD position) const {
  return values_.data() + static_cast<size_t>(position) * expected_.valueWidth;
}

DWORD VariableTable::EntriesInUse() const {
  return params_.count < expected_.maxCount ? params_.count : expected_.maxCount;
}

std::string VariableTable::Set(const std::string& name, const std::string& value) {
  std::string wrapped = "%" + name + "%";
  if (wrapped.size() + 1 > expected_.nameWidth) {
    return "name " + name + " does not fit the " + std::to_string(expected_.nameWidth) +
           "-byte name slots (\"%" + name + "%\" needs " + std::to_string(wrapped.size() + 1) + ")";
  }
  if (value.size() + 1 > expected_.valueWidth) {
    return "value of " + std::to_string(value.size()) + " characters does not fit the " +
           std::to_string(expected_.valueWidth) + "-byte value slots";
  }

  DWORD used = EntriesInUse();
  DWORD position = 0;
  while (position < used && strncmp(NameSlot(position), wrapped.c_str(), expected_.nameWidth) != 0) {
    ++position;
  }
  if (position == used) {
    if (used >= expected_.maxCount) {
      return "the table is full (" + std::to_string(expected_.maxCount) + " entries); cannot add " + name;
    }
    memcpy(names_.data() + static_cast<size_t>(position) * expected_.nameWidth, wrapped.c_str(),
           wrapped.size() + 1);
    params_.count = used + 1;
  }
  // The slot is cleared whole so no tail of a longer old value lingers after the terminator.
  char* slot = values_.data() + static_cast<size_t>(position) * expected_.valueWidth;
  memset(slot, 0, expected_.valueWidth);
  memcpy(slot, value.c_str(), value.size() + 1);
  return "";
}

std::vector<Variable> VariableTable::Entries() const {
  std::vector<Variable> entries;
  DWORD used = EntriesInUse();
  for (DWORD position = 0; position < used; ++position) {
    const char* name = NameSlot(position);
    const char* value = ValueSlot(position);
    entries.push_back(Variable{BareName(std::string(name, strnlen(name, expected_.nameWidth))),
                               std::string(value, strnlen(value, expected_.valueWidth))});
  }
  return entries;
}

bool VariableTable::Find(const std::string& name, std::string* value) const {
  for (const Variable& entry : Entries()) {
    if (entry.name == name) {
      *value = entry.value;
      return true;
    }
  }
  return false;
}

std::string VariableTable::CheckAfterCall() const {
  // Every field but `count` belongs to the host.
  struct Field {
    const char* name;
    bool same;
  } const fields[] = {
      {"reserved", params_.reserved == expected_.reserved},
      {"parentWindow", params_.parentWindow == expected_.parentWindow},
      {"maxCount", params_.maxCount == expected_.maxCount},
      {"nameWidth", params_.nameWidth == expected_.nameWidth},
      {"valueWidth", params_.valueWidth == expected_.valueWidth},
      {"nameTable", params_.nameTable == expected_.nameTable},
      {"valueTable", params_.valueTable == expected_.valueTable},
  };
  for (const Field& field : fields) {
    if (!field.same) return std::string("changed the parameter block's ") + field.name;
  }
  if (params_.count > expected_.maxCount) {
    return "set count to " + std::to_string(params_.count) + ", past maxCount " +
           std::to_string(expected_.maxCount);
  }
  for (size_t i = names_.size() - kGuardSize; i < names_.size(); ++i) {
    if (names_[i] != kGuard) return "wrote past the end of the name table";
  }
  for (size_t i = values_.size() - kGuardSize; i < values_.size(); ++i) {
    if (values_[i] != kGuard) return "wrote past the end of the value table";
  }
  for (DWORD position = 0; position < params_.count; ++position) {
    if (!Terminated(NameSlot(position), expected_.nameWidth)) {
      return "left name slot " + std::to_string(position) + " without a terminator";
    }
    if (!Terminated(ValueSlot(position), expected_.valueWidth)) {
      return "left value slot " + std::to_string(position) + " without a terminator";
    }
  }
  return "";
}

std::string BareName(const std::string& slotText) {
  if (slotText.size() >= 2 && slotText.front() == '%' && slotText.back() == '%') {
    return slotText.substr(1, slotText.size() - 2);
  }
  return slotText;
}
