#include "host/win32/command_line.h"

namespace glimmerkin {

namespace {
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

const char* ArgumentsAfterProgramName(const char* commandLine) {
  if (commandLine == nullptr) return "";
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (!IsBlankOrControl(*p)) ++p;
  }
  while (*p != '\0' && IsBlankOrControl(*p)) ++p;
  return p;
}

}  // namespace glimmerkin
