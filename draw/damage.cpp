#include "draw/damage.h"

#include <algorithm>

namespace glimmerkin {
namespace {

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

void DropEmpty(std::vector<Rect>& rects) {
  std::erase_if(rects, [](const Rect& r) { return r.Empty(); });
}

// Merges every pair whose bounds waste at most kRectCost pixels, until no
// such pair is left. A gap between two rectangles is wasted across the
// whole height (or width) of their bounds, so, sorted by left edge, the
// scan for partners of a stops where the gap alone would waste too much.
void Coalesce(std::vector<Rect>& rects) {
  bool merged = true;
  while (merged) {
    merged = false;
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
      return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
    for (size_t i = 0; i < rects.size(); ++i) {
      Rect& a = rects[i];
      if (a.Empty()) continue;
      for (size_t j = i + 1; j < rects.size(); ++j) {
        Rect& b = rects[j];
        if (b.Empty()) continue;
        const int64_t gapX = int64_t{b.x} - a.Right();
        if (gapX > 0 && gapX * a.height > kRectCost) break;
        const int64_t gapY = std::max(int64_t{b.y} - a.Bottom(), int64_t{a.y} - b.Bottom());
        if (gapY > 0 && gapY * std::max(a.width, b.width) > kRectCost) continue;
        const Rect joined = Bounds(a, b);
        const int64_t covered = a.Area() + b.Area() - Intersection(a, b).Area();
        if (joined.Area() - covered > kRectCost) continue;
        a = joined;
        b = Rect{};
        merged = true;
      }
    }
    DropEmpty(rects);
  }
}

// b less a, as up to four rectangles: the rows above and below a, then
// the parts beside it. Returns how many.
int Subtract(const Rect& b, const Rect& a, Rect pieces[4]) {
  int count = 0;
  const int64_t top = std::max<int64_t>(a.y, b.y);
  const int64_t bottom = std::min(a.Bottom(), b.Bottom());
  const Rect parts[4] = {
      FromEdges(b.x, b.y, b.Right(), a.y),
      FromEdges(b.x, a.Bottom(), b.Right(), b.Bottom()),
      FromEdges(b.x, top, a.x, bottom),
      FromEdges(a.Right(), top, b.Right(), bottom),
  };
  for (const Rect& part : parts)
    if (!part.Empty()) pieces[count++] = part;
  return count;
}

// Cuts overlapping rectangles apart so that no pixel is covered twice.
// Where the pieces would not fit in the vector's room the two are merged
// instead, and the pass starts over, as the larger one may now overlap
// rectangles already passed.
void Disjoin(std::vector<Rect>& rects) {
  bool restart = true;
  while (restart) {
    restart = false;
    for (size_t i = 0; i < rects.size() && !restart; ++i) {
      for (size_t j = i + 1; j < rects.size(); ++j) {
        if (!Overlap(rects[i], rects[j])) continue;
        Rect pieces[4];
        const int count = Subtract(rects[j], rects[i], pieces);
        if (count == 0) {
          rects[j] = rects.back();
          rects.pop_back();
          --j;
          continue;
        }
        if (rects.size() + static_cast<size_t>(count) - 1 > rects.capacity()) {
          rects[i] = Bounds(rects[i], rects[j]);
          rects[j] = rects.back();
          rects.pop_back();
          restart = true;
          break;
        }
        rects[j] = pieces[0];
        for (int k = 1; k < count; ++k) rects.push_back(pieces[k]);
      }
    }
  }
}

}  // namespace

Rect Enlarged(const Rect& r, int32_t pixelSize, int32_t limitWidth, int32_t limitHeight) {
  if (r.Empty() || pixelSize < 1) return Rect{};
  const int64_t p = pixelSize;
  return FromEdges(std::max<int64_t>(0, r.x * p), std::max<int64_t>(0, r.y * p),
                   std::min<int64_t>(limitWidth, r.Right() * p),
                   std::min<int64_t>(limitHeight, r.Bottom() * p));
}

void MergeDamage(std::vector<Rect>& rects) {
  DropEmpty(rects);
  Coalesce(rects);
  Disjoin(rects);
}

}  // namespace glimmerkin
