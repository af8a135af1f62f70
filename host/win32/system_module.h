#pragma once
#include <windows.h>

namespace glimmerkin {

// Loads a system component from the system directory by its full path, so a
// same-named file beside the saver or in the current directory is never
// taken for it. Null when it is not there.
HMODULE LoadSystemModule(const char* fileName);

}  // namespace glimmerkin
