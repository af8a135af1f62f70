#pragma once
#include <cstdint>

#include "draw/damage.h"

namespace glimmerkin {

// Pixels in memory, 0x00RRGGBB, rows top-down: a work surface's own, a
// window image, a shared-memory buffer, a canvas.
struct RasterView {
  uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;  // in pixels

  bool Usable() const {
    return pixels != nullptr && width > 0 && height > 0 && stride >= width;
  }
};

// The rectangle `area` of the stage frame `source` into `target`, each
// stage pixel made a pixelSize square (a plain copy at 1), cut to the
// target and to the source. The one enlargement every screen is drawn with.
void EnlargeRect(const RasterView& target, const RasterView& source, const Rect& area,
                 int32_t pixelSize);

// The smallest part of a cell (in the cell's own coordinates) that holds
// all its opaque pixels, from a one-bit mask whose bit 1 marks a
// transparent pixel (pixel x of a row in bit x % 32 of word x / 32, rows of
// `stride` words): what drawing the cell can change. Empty when the cell is
// wholly transparent or outside the picture.
Rect OpaqueBoundsOfMask(const uint32_t* mask, int32_t stride, int32_t pictureWidth,
                        int32_t pictureHeight, const Rect& cell);

}  // namespace glimmerkin
