#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "draw/pixels.h"

namespace glimmerkin {

// The memory a frame is presented into, and how far behind it is: age 1
// holds the frame before this one, age n the frame n - 1 frames before
// that; 0 when its contents are unknown (new, resized, or never written),
// which asks for the whole frame.
struct PresentBuffer {
  RasterView pixels;
  uint32_t age = 0;
};

// Where a scene's frames go: the one thing a front end gives the frame path.
// Each frame the path asks for a buffer, writes what changed into it
// (enlarged to the pixel size), then hands over the changed rectangles.
class PresentTarget {
 public:
  // An unusable view: there is nowhere to show this frame (the scene still
  // steps; a later buffer's age tells what it missed).
  virtual PresentBuffer Acquire() = 0;
  // The rectangles written, disjoint, in the buffer's pixels, within it.
  virtual void Present(std::span<const Rect> changed) = 0;

 protected:
  ~PresentTarget() = default;
};

// A target that is plain memory that keeps what it was given (the simulator,
// the tests, a window image the front end reads back itself); the
// rectangles of the last frame are kept for whoever wants them.
class MemoryTarget final : public PresentTarget {
 public:
  MemoryTarget();
  explicit MemoryTarget(const RasterView& pixels);
  void SetPixels(const RasterView& pixels) {
    pixels_ = pixels;
    age_ = 0;
  }
  PresentBuffer Acquire() override { return PresentBuffer{pixels_, age_}; }
  void Present(std::span<const Rect> changed) override;
  std::span<const Rect> LastChanged() const { return {changed_.data(), changed_.size()}; }
  // Pixels written by the last frame.
  int64_t LastArea() const;

 private:
  RasterView pixels_;
  uint32_t age_ = 0;
  std::vector<Rect> changed_;
};

}  // namespace glimmerkin
