#pragma once
#include <cstddef>
#include <cstdint>

namespace glimmerkin {

inline constexpr int32_t kSheetResource = 103;
inline constexpr int32_t kSheetMaskResource = 104;
inline constexpr int32_t kGroundResource = 105;

struct ResourceBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// The bitmaps built into the portable binaries; empty when absent.
ResourceBytes FindBitmapResource(int32_t id);

}  // namespace glimmerkin
