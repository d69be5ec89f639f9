// OpenKeyPath on 16-bit texts, for uninstall.
#include "open_key_path_impl.h"

LONG OpenKeyPath(HKEY root, LPCWSTR path, DWORD /*options*/, REGSAM access, PHKEY result) {
  return OpenKeyPathWith(RegOpenKeyExW, root, path, access, result);
}
