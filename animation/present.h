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
//
// Where the display keeps the window's pixels itself (X11, Windows) the
// target lends a small `strip` instead: the pieces of the frame are written
// side by side into it, each handed over with Put, until it is full; then
// Reuse tells the target that the strip is written again from its top-left.
// `width` x `height` is then the part of the window the frame shows in.
struct PresentBuffer {
  RasterView pixels;
  uint32_t age = 0;
  bool strip = false;
  int32_t width = 0;
  int32_t height = 0;
};

// Where a scene's frames go: the one thing a front end gives the frame path.
// Each frame the path asks for a buffer, writes what changed into it
// (enlarged to the pixel size), then hands over the changed rectangles.
class PresentTarget {
 public:
  // An unusable view: there is nowhere to show this frame (the scene still
  // steps; a later buffer's age tells what it missed).
  virtual PresentBuffer Acquire() = 0;
  // A strip's piece, written at (fromX, fromY) of the strip, goes to
  // `shown` (in the frame's pixels, within the frame).
  virtual void Put(const Rect& shown, int32_t fromX, int32_t fromY) {
    (void)shown, (void)fromX, (void)fromY;
  }
  // What was put from the strip must have been taken: it is written again.
  virtual void Reuse() {}
  // The rectangles written, disjoint, in the frame's pixels, within it.
  // A strip is free again at the next Acquire.
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
