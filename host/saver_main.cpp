#include "host/saver_main.h"

namespace glimmerkin {

int SaverMain(const char* arguments, SaverModes& modes) {
  const char* p = arguments == nullptr ? "" : arguments;
  for (;; ++p) {
    const char c = *p;
    if (c == ' ' || c == '-' || c == '/') continue;
    switch (c) {
      case '\0':
        return modes.RunConfigureDialog(false);
      case 'c':
      case 'C':
        return modes.RunConfigureDialog(true);
      case 's':
      case 'S':
        return modes.RunFullScreen();
      case 'p':
      case 'P':
      case 'l':
      case 'L':
        ++p;
        while (*p == ' ') ++p;
        return modes.RunPreview(p);
      case 'a':
      case 'A':
        ++p;
        while (*p == ' ') ++p;
        modes.RunChangePassword(p);
        return 0;
      default:
        return -1;
    }
  }
}

uint32_t ParseDecimal(const char* text) {
  uint32_t value = 0;
  if (text == nullptr) return 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    value = value * 10u + static_cast<uint32_t>(*text - '0');
  return value;
}

bool MovedPastThreshold(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y) {
  const int64_t dx = int64_t{x} - anchorX;
  const int64_t dy = int64_t{y} - anchorY;
  const uint64_t distance = static_cast<uint64_t>(dx < 0 ? -dx : dx) +
                            static_cast<uint64_t>(dy < 0 ? -dy : dy);
  return distance > kMoveThreshold;
}

}  // namespace glimmerkin
