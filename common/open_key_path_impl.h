// The one algorithm behind both forms of OpenKeyPath; included only by open_key_path_a.cpp and
// open_key_path_w.cpp, so each deliverable carries just the form it uses.
#pragma once

#include "open_key_path.h"

constexpr size_t kKeyComponentMax = 255;  // the registry's longest key name, in characters

template <typename Char, typename OpenFunction>
LONG OpenKeyPathWith(OpenFunction open, HKEY root, const Char* path, REGSAM access, PHKEY result) {
  if (path == nullptr || path[0] == 0) return ERROR_INVALID_PARAMETER;
  size_t run = 0;
  const Char* end = path;
  for (; *end != 0; ++end) {
    run = *end == '\\' ? 0 : run + 1;
    if (run > kKeyComponentMax) return ERROR_INVALID_PARAMETER;
  }
  if (end[-1] == '\\') return ERROR_INVALID_PARAMETER;

  HKEY current = root;
  LONG status = ERROR_SUCCESS;
  for (const Char* start = path;;) {
    const Char* stop = start;
    while (*stop != 0 && *stop != '\\') ++stop;
    Char component[kKeyComponentMax + 1];
    size_t length = static_cast<size_t>(stop - start);  // at most 255, checked above
    for (size_t i = 0; i < length; ++i) component[i] = start[i];
    component[length] = 0;

    HKEY next = nullptr;
    status = open(current, component, 0, access, &next);
    if (status != ERROR_SUCCESS) break;
    if (current != root) RegCloseKey(current);
    current = next;
    if (*stop == 0) break;
    start = stop + 1;
  }
  if (status != ERROR_SUCCESS) {
    if (current != root) RegCloseKey(current);
    return status;
  }
  *result = current;
  return ERROR_SUCCESS;
}
