// A library whose exports break the host's rules, one rule each, so the tests can show that
// hostrun catches every kind of fault it checks for instead of printing it as a success.
#include <string.h>

#include "host_interface.h"

#define FAULTY_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

char* NameSlot(HostCallParams* params, DWORD position) {
  return params->nameTable + static_cast<size_t>(position) * params->nameWidth;
}

char* ValueSlot(HostCallParams* params, DWORD position) {
  return params->valueTable + static_cast<size_t>(position) * params->valueWidth;
}

}  // namespace

// One byte past the last name slot.
FAULTY_EXPORT int WINAPI WritesPastTable(HostCallParams* params) {
  NameSlot(params, params->maxCount)[0] = 'x';
  return 1;
}

FAULTY_EXPORT int WINAPI ChangesMaxCount(HostCallParams* params) {
  ++params->maxCount;
  return 1;
}

FAULTY_EXPORT int WINAPI CountsPastMax(HostCallParams* params) {
  params->count = params->maxCount + 1;
  return 1;
}

// Appends "%X%" with a value slot full of text and no terminator.
FAULTY_EXPORT int WINAPI LeavesValueUnterminated(HostCallParams* params) {
  DWORD position = params->count;
  memcpy(NameSlot(params, position), "%X%", 4);
  memset(ValueSlot(params, position), 'v', params->valueWidth);
  ++params->count;
  return 1;
}

// Forgets the last entry: not against the layout, but the host must show it.
FAULTY_EXPORT int WINAPI DropsLastEntry(HostCallParams* params) {
  if (params->count > 0) --params->count;
  return 1;
}

// One byte more than the capacity it was given.
FAULTY_EXPORT int WINAPI QueryWritesPast(char* buffer, DWORD* size) {
  memset(buffer, 'q', *size + 1);
  return 0;
}

// Claims success with the buffer full of text and no terminator.
FAULTY_EXPORT int WINAPI QueryUnterminated(char* buffer, DWORD* size) {
  memset(buffer, 'q', *size);
  return 1;
}

// Refuses, yet writes into the buffer.
FAULTY_EXPORT int WINAPI QueryScribbles(char* buffer, DWORD* size) {
  buffer[0] = 'q';
  *size = 99;
  return 0;
}
