// libFuzzer entry: the BMP reader must reject or decode any bytes safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "draw/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  glimmerkin::DecodedBitmap out;
  std::string error;
  const bool ok = glimmerkin::DecodeBmp(data, size, out, &error);
  // A success must hand back exactly width * height pixels; a failure, nothing.
  if (ok) {
    if (out.width <= 0 || out.height <= 0 ||
        out.pixels.size() != static_cast<size_t>(out.width) * static_cast<size_t>(out.height)) {
      std::abort();
    }
  } else if (!out.pixels.empty() || error.empty()) {
    std::abort();
  }
  return 0;
}
