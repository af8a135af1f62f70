#pragma once
// Drawing on Windows GDI: surfaces are memory device contexts, pictures are
// bitmaps from the program's resources, and a masked draw is the pair of
// raster operations SRCAND (inverted mask) then SRCPAINT (blacked-out image).
#include <windows.h>

#include <cstdint>
#include <vector>

#include "draw/pixels.h"

namespace glimmerkin {

// A memory device context, with the bitmap it owns when it is a work
// surface. Scratch surfaces own none: pictures lend them theirs per draw.
// A work surface's bitmap is a 32-bit top-down DIB section, so the frame
// path can also read and write its pixels in memory.
class Surface {
 public:
  Surface() = default;
  ~Surface();
  Surface(Surface&& other) noexcept;
  Surface& operator=(Surface&& other) noexcept;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  HDC Context() const { return dc_; }
  bool Empty() const { return dc_ == nullptr; }
  // The pixels, once GDI has finished drawing into them; unusable for a
  // scratch surface or one whose bitmap could not be had.
  RasterView View() const;

 private:
  friend Surface CreateScratchSurface(HDC);
  friend Surface CreateWorkSurface(HDC, int32_t, int32_t);
  friend class Picture;
  void Release();

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;    // owned; work surfaces only
  HGDIOBJ original_ = nullptr;  // the context's own bitmap, put back before deleting
  uint32_t* pixels_ = nullptr;  // the DIB section's memory
  int32_t width_ = 0;
  int32_t height_ = 0;
};

using ReferenceContext = HDC;

// The module whose bitmap resources pictures load; the running program
// unless set otherwise.
void SetPictureModule(HINSTANCE module);

Surface CreateScratchSurface(ReferenceContext reference);
Surface CreateWorkSurface(ReferenceContext reference, int32_t width, int32_t height);
void CopySurface(Surface& target, const Surface& source, int32_t width, int32_t height);
// Black over one rectangle, clipped to the surface.
void ClearRect(Surface& target, const Rect& area);

// A bitmap resource with an optional one-bit mask. A masked picture keeps its
// image with the transparent pixels blacked out and its mask inverted
// (1 = transparent). A picture whose bitmaps fail to load draws nothing.
class Picture {
 public:
  Picture(int32_t resourceId, int32_t width, int32_t height, Surface& imageScratch);
  Picture(int32_t imageResourceId, int32_t maskResourceId, int32_t width, int32_t height,
          Surface& imageScratch, Surface& maskScratch);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  void DrawCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t cellWidth,
                int32_t cellHeight, Surface& target) const;
  void DrawWhole(int32_t x, int32_t y, Surface& target) const;

  bool Loaded() const { return image_ != nullptr; }
  bool Masked() const { return mask_ != nullptr; }
  // The smallest part of a cell (in the cell's own coordinates) that holds
  // all its opaque pixels; empty when it has none.
  Rect OpaqueBounds(int32_t cellX, int32_t cellY, int32_t cellWidth, int32_t cellHeight) const;

 private:
  HBITMAP image_ = nullptr;
  HBITMAP mask_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  // The mask's bits read back once (1 = transparent, rows of maskStride_
  // words), for the opaque bounds of cells.
  std::vector<uint32_t> maskBits_;
  int32_t maskStride_ = 0;
  void ReadMaskBits(HDC reference);
  // Puts the scratch surfaces' own bitmaps back if they hold `bitmap`, which
  // could not be deleted while selected.
  void Deselect(HBITMAP bitmap) const;

  // The Stage's scratch surfaces, borrowed by every draw; they outlive the
  // picture.
  const Surface* imageScratch_ = nullptr;
  const Surface* maskScratch_ = nullptr;
};

}  // namespace glimmerkin
