#pragma once
#include <cstdint>
#include <string>

namespace glimmerkin {

// Writes 0x00RRGGBB pixels, rows top-down, as an 8-bit RGB PNG.
bool WritePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t stride, std::string* error);

}  // namespace glimmerkin
