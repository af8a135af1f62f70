#pragma once
#include <cstdint>
#include <vector>

namespace glimmerkin {

// A rectangle of pixels with its top-left corner at (x, y); empty when
// either side is 0 or less.
struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool Empty() const { return width <= 0 || height <= 0; }
  int64_t Area() const { return Empty() ? 0 : int64_t{width} * int64_t{height}; }
  int64_t Right() const { return int64_t{x} + width; }
  int64_t Bottom() const { return int64_t{y} + height; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The rectangle between two edges, empty when they cross.
inline Rect FromEdges(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  if (left >= right || top >= bottom) return Rect{};
  return Rect{static_cast<int32_t>(left), static_cast<int32_t>(top),
              static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

// The pixels both hold (empty when none).
inline Rect Intersection(const Rect& a, const Rect& b) {
  if (a.Empty() || b.Empty()) return Rect{};
  return FromEdges(a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y,
                   a.Right() < b.Right() ? a.Right() : b.Right(),
                   a.Bottom() < b.Bottom() ? a.Bottom() : b.Bottom());
}

// The smallest rectangle that holds both; an empty one adds nothing.
inline Rect Bounds(const Rect& a, const Rect& b) {
  if (a.Empty()) return b.Empty() ? Rect{} : b;
  if (b.Empty()) return a;
  return FromEdges(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y,
                   a.Right() > b.Right() ? a.Right() : b.Right(),
                   a.Bottom() > b.Bottom() ? a.Bottom() : b.Bottom());
}
// A stage rectangle as the screen shows it at a pixel size, cut to
// limitWidth x limitHeight.
Rect Enlarged(const Rect& r, int32_t pixelSize, int32_t limitWidth, int32_t limitHeight);

// What one rectangle more costs beside its pixels (a request to the display
// server, a row loop set up), counted in pixels: two rectangles become one
// where the one wastes no more pixels than this.
inline constexpr int64_t kRectCost = 1024;

// Turns `rects` into disjoint rectangles that cover every pixel they
// covered: overlapping or nearby ones are merged where that saves work, the
// rest are cut apart. Empty ones go. Never grows the vector beyond its
// capacity (pieces that would not fit are merged instead), so a caller that
// reserved room allocates nothing.
void MergeDamage(std::vector<Rect>& rects);

}  // namespace glimmerkin
