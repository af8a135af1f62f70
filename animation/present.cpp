#include "animation/present.h"

#include <new>

#include "animation/stage.h"

namespace glimmerkin {

MemoryTarget::MemoryTarget() {
  // As much room as a stage's own record, so presenting never allocates.
  try {
    changed_.reserve(kDamageRoom * kMaxBufferAge);
  } catch (const std::bad_alloc&) {
  }
}

MemoryTarget::MemoryTarget(const RasterView& pixels) : MemoryTarget() { pixels_ = pixels; }

void MemoryTarget::Present(std::span<const Rect> changed) {
  changed_.clear();
  if (changed.size() <= changed_.capacity()) changed_.assign(changed.begin(), changed.end());
  // The memory keeps what it was given: from now on it is one frame behind.
  age_ = 1;
}

int64_t MemoryTarget::LastArea() const {
  int64_t area = 0;
  for (const Rect& r : changed_) area += r.Area();
  return area;
}

}  // namespace glimmerkin
