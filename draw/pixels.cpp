#include "draw/pixels.h"

#include <algorithm>
#include <cstring>

namespace glimmerkin {

void EnlargeRect(const RasterView& target, const RasterView& source, const Rect& area,
                 int32_t pixelSize) {
  if (!target.Usable() || !source.Usable() || pixelSize < 1) return;
  const Rect from = Intersection(area, Rect{0, 0, source.width, source.height});
  const Rect to = Enlarged(from, pixelSize, target.width, target.height);
  if (to.Empty()) return;
  const auto targetStride = static_cast<size_t>(target.stride);
  const auto sourceStride = static_cast<size_t>(source.stride);
  if (pixelSize == 1) {
    // Memory that is already the frame holds it.
    if (target.pixels == source.pixels && target.stride == source.stride) return;
    for (int32_t y = to.y; y < to.Bottom(); ++y)
      std::memcpy(target.pixels + static_cast<size_t>(y) * targetStride + static_cast<size_t>(to.x),
                  source.pixels + static_cast<size_t>(y) * sourceStride + static_cast<size_t>(to.x),
                  static_cast<size_t>(to.width) * sizeof(uint32_t));
    return;
  }
  // Each source row is enlarged across once, then copied down for the rest
  // of its block of rows.
  const int32_t bottom = static_cast<int32_t>(to.Bottom());
  for (int32_t y = to.y; y < bottom;) {
    const int32_t sy = y / pixelSize;
    const uint32_t* in = source.pixels + static_cast<size_t>(sy) * sourceStride;
    uint32_t* first = target.pixels + static_cast<size_t>(y) * targetStride;
    const int32_t right = static_cast<int32_t>(to.Right());
    int32_t x = to.x;
    int32_t sx = x / pixelSize;
    // A part-block at the left edge, then whole blocks, then a part-block.
    while (x < right && x % pixelSize != 0) first[x++] = in[sx];
    if (x % pixelSize == 0) sx = x / pixelSize;
    for (; x + pixelSize <= right; x += pixelSize, ++sx) {
      const uint32_t pixel = in[sx];
      for (int32_t k = 0; k < pixelSize; ++k) first[x + k] = pixel;
    }
    for (; x < right; ++x) first[x] = in[sx];
    const auto blockEnd =
        static_cast<int32_t>(std::min<int64_t>(bottom, (int64_t{sy} + 1) * pixelSize));
    for (int32_t row = y + 1; row < blockEnd; ++row)
      std::memcpy(target.pixels + static_cast<size_t>(row) * targetStride + static_cast<size_t>(to.x),
                  first + to.x, static_cast<size_t>(to.width) * sizeof(uint32_t));
    y = blockEnd;
  }
}

Rect OpaqueBoundsOfMask(const uint32_t* mask, int32_t stride, int32_t pictureWidth,
                        int32_t pictureHeight, const Rect& cell) {
  const Rect in = Intersection(cell, Rect{0, 0, pictureWidth, pictureHeight});
  if (in.Empty() || mask == nullptr) return Rect{};
  int64_t left = in.Right(), right = in.x - 1, top = -1, bottom = -1;
  for (int64_t y = in.y; y < in.Bottom(); ++y) {
    const uint32_t* row = mask + static_cast<size_t>(y) * static_cast<size_t>(stride);
    bool any = false;
    for (int64_t x = in.x; x < in.Right(); ++x) {
      if (((row[x / 32] >> (x % 32)) & 1u) != 0) continue;
      any = true;
      left = std::min(left, x);
      right = std::max(right, x);
    }
    if (!any) continue;
    if (top < 0) top = y;
    bottom = y;
  }
  if (top < 0) return Rect{};
  return Rect{static_cast<int32_t>(left - cell.x), static_cast<int32_t>(top - cell.y),
              static_cast<int32_t>(right - left + 1), static_cast<int32_t>(bottom - top + 1)};
}

}  // namespace glimmerkin
