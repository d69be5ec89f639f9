// The host's variable table: lookup by wrapped name, read, set or append.
#include "host_interface.h"

#include <string.h>

namespace {

// Builds "%name%" into `wrapped` (32 bytes). Returns its length, or 0 when the name is too long
// for the table's name slots, so no lookup or store can touch a byte outside a slot.
size_t WrapName(const HostCallParams* params, const char* name, char (&wrapped)[kScriptNameMax + 3]) {
  size_t length = strlen(name);
  if (length > kScriptNameMax || length + 3 > params->nameWidth) return 0;
  wrapped[0] = '%';
  memcpy(wrapped + 1, name, length);
  wrapped[length + 1] = '%';
  wrapped[length + 2] = '\0';
  return length + 2;
}

// Position of the entry whose name slot holds `wrapped`, or `count` when there is none.
DWORD FindEntry(const HostCallParams* params, const char* wrapped, size_t wrappedLength) {
  DWORD position = 0;
  while (position < params->count &&
         memcmp(params->nameTable + static_cast<size_t>(position) * params->nameWidth, wrapped,
                wrappedLength + 1) != 0) {
    ++position;
  }
  return position;
}

}  // namespace

void GetScriptVar(const HostCallParams* params, const char* name, char* value) {
  value[0] = '\0';
  char wrapped[kScriptNameMax + 3];
  size_t wrappedLength = WrapName(params, name, wrapped);
  if (wrappedLength == 0) return;
  DWORD position = FindEntry(params, wrapped, wrappedLength);
  if (position >= params->count) return;

  const char* slot = params->valueTable + static_cast<size_t>(position) * params->valueWidth;
  size_t limit = params->valueWidth < kScriptValueSize - 1 ? params->valueWidth : kScriptValueSize - 1;
  size_t length = 0;
  while (length < limit && slot[length] != '\0') ++length;
  memcpy(value, slot, length);
  value[length] = '\0';
}

int SetScriptVar(HostCallParams* params, const char* name, const char* value) {
  char wrapped[kScriptNameMax + 3];
  size_t wrappedLength = WrapName(params, name, wrapped);
  if (wrappedLength == 0 || params->valueWidth == 0) return 0;

  DWORD position = FindEntry(params, wrapped, wrappedLength);
  if (position >= params->count) {
    if (params->count >= params->maxCount) return 0;
    memcpy(params->nameTable + static_cast<size_t>(position) * params->nameWidth, wrapped,
           wrappedLength + 1);
    ++params->count;
  }

  char* slot = params->valueTable + static_cast<size_t>(position) * params->valueWidth;
  size_t length = strlen(value);
  if (length > params->valueWidth - 1) length = params->valueWidth - 1;
  memmove(slot, value, length);
  slot[length] = '\0';
  return 1;
}
