#pragma once
// A small, defensive reader for the BMP files Glimmerkin ships and tests with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerkin {

struct DecodedBitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top-down, width * height
};

// Decodes exactly: uncompressed (BI_RGB) BMP with a BITMAPINFOHEADER or a
// larger V4/V5 header; 1, 4 or 8 bits per pixel with a palette, or 24 bits;
// rows bottom-up or top-down. Anything malformed, truncated, oversized
// (width or height above 16384, or not positive) or unsupported returns
// false with a one-line reason in *error (when error is not null) and leaves
// out empty. Never reads outside [data, data + size), and allocates only
// after the header has been checked against the data actually present.
bool DecodeBmp(const uint8_t* data, size_t size, DecodedBitmap& out, std::string* error);

}  // namespace glimmerkin
