// The settings reader on arbitrary file contents: any bytes give a number or
// the default, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > glimmerkin::kMaxSettingsFileBytes) size = glimmerkin::kMaxSettingsFileBytes;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  glimmerkin::ProfileInt(text, glimmerkin::kSettingsSection, glimmerkin::kRedrawSpeedKey, 5);
  glimmerkin::ProfileInt(text, glimmerkin::kSettingsSection, glimmerkin::kAlienCountKey, 9);
  // The writer's edit of the same text must leave a file the reader reads back.
  const std::string edited =
      glimmerkin::WithProfileString(text, glimmerkin::kSettingsSection, glimmerkin::kAlienCountKey, "17");
  if (glimmerkin::ProfileInt(edited, glimmerkin::kSettingsSection, glimmerkin::kAlienCountKey, 9) != 17)
    __builtin_trap();
  return 0;
}
