#include "double_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

void DoubleLog(const char* format, ...) {
  char path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("GLIMMERKIN_DOUBLE_LOG", path, sizeof path);
  if (n == 0 || n >= sizeof path) lstrcpyA(path, "C:\\glimmerkin-doubles.log");
  char line[512];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (length < 0) return;
  DWORD size = static_cast<DWORD>(length < static_cast<int>(sizeof line - 2) ? length
                                                                             : sizeof line - 3);
  line[size++] = '\n';
  const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, size, &written, nullptr);
  CloseHandle(file);
}
