#include "host/win32/system_module.h"

#include <cstring>

namespace glimmerkin {

HMODULE LoadSystemModule(const char* fileName) {
  char path[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const size_t nameLength = std::strlen(fileName);
  if (length + 1 + nameLength >= sizeof path) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, fileName, nameLength + 1);
  return LoadLibraryA(path);
}

}  // namespace glimmerkin
