#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "draw/pixels.h"

namespace glimmerkin {

struct DecodedBitmap;

// Portable drawing: surfaces of 32-bit 0x00RRGGBB pixels, rows top-down.
class Surface {
 public:
  Surface() = default;
  Surface(const Surface& other) { *this = other; }
  Surface& operator=(const Surface& other);
  Surface(Surface&& other) noexcept { *this = std::move(other); }
  Surface& operator=(Surface&& other) noexcept;

  // False (and an empty surface) when the memory cannot be had.
  bool Allocate(int32_t width, int32_t height);
  // Draws into memory the caller owns and keeps alive (rows of `width`
  // pixels): a host can have the frame composed right where it shows it.
  bool UseMemory(uint32_t* pixels, int32_t width, int32_t height);
  bool UsesOutsideMemory() const { return pixels_ != nullptr && owned_.empty(); }

  bool Empty() const { return pixels_ == nullptr; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  uint32_t* Pixels() { return pixels_; }
  const uint32_t* Pixels() const { return pixels_; }
  // The pixels as a frame is read from; unusable when empty.
  RasterView View() const { return RasterView{pixels_, width_, height_, width_}; }
  uint32_t At(int32_t x, int32_t y) const {
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  }

 private:
  std::vector<uint32_t> owned_;
  uint32_t* pixels_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

using ReferenceContext = std::nullptr_t;

Surface CreateScratchSurface(ReferenceContext);
Surface CreateWorkSurface(ReferenceContext, int32_t width, int32_t height);
// A straight copy of the top-left width x height of src, clipped to both.
void CopySurface(Surface& target, const Surface& source, int32_t width, int32_t height);
// Black over one rectangle, clipped to the surface.
void ClearRect(Surface& target, const Rect& area);

// A bitmap with an optional one-bit mask. A masked picture keeps its image
// with transparent pixels blacked out and the mask inverted (1 = transparent),
// so a masked draw is target = (target AND expanded mask) OR image.
class Picture {
 public:
  Picture() = default;
  // From the program's bitmap resources; a bitmap that fails to load, or
  // whose size is not the one given, leaves a picture that draws nothing.
  Picture(int32_t resourceId, int32_t width, int32_t height, Surface& imageScratch);
  Picture(int32_t imageResourceId, int32_t maskResourceId, int32_t width, int32_t height,
          Surface& imageScratch, Surface& maskScratch);

  static Picture FromBitmaps(const DecodedBitmap& image, const DecodedBitmap* mask,
                             int32_t width, int32_t height);

  void DrawCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t cellWidth,
                int32_t cellHeight, Surface& target) const;
  void DrawWhole(int32_t x, int32_t y, Surface& target) const;

  bool Loaded() const { return !image_.empty(); }
  bool Masked() const { return !mask_.empty(); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  uint32_t ImagePixel(int32_t x, int32_t y) const;
  // The smallest part of a cell (in the cell's own coordinates) that holds
  // all its opaque pixels: what drawing the cell can change. Empty when the
  // cell is wholly transparent or lies outside the picture.
  Rect OpaqueBounds(int32_t cellX, int32_t cellY, int32_t cellWidth, int32_t cellHeight) const;
  // 1 where transparent.
  uint32_t MaskBit(int32_t x, int32_t y) const;

 private:
  std::vector<uint32_t> image_;
  std::vector<uint32_t> mask_;  // one bit a pixel, rows of maskStride_ words
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t maskStride_ = 0;
};

}  // namespace glimmerkin
