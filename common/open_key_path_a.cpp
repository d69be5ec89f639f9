// OpenKeyPath on 8-bit texts, for install.
#include "open_key_path_impl.h"

LONG OpenKeyPath(HKEY root, LPCSTR path, DWORD /*options*/, REGSAM access, PHKEY result) {
  return OpenKeyPathWith(RegOpenKeyExA, root, path, access, result);
}
