#pragma once
// The window's pixels: the X server keeps them, so a frame needs no image of
// the window's size, only a strip each piece of it is put from, and the
// present target each scene's part of the window is.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <span>
#include <vector>

#include "animation/present.h"
#include "animation/scene_plan.h"

namespace glimmerkin::x11 {

// The strip, in window pixels: a stage piece enlarged fits in it.
inline constexpr int kStripWidth = 1024;
inline constexpr int kStripHeight = 256;

// The image pieces of frames are put to the window from. On 24-bit
// TrueColor with 32-bit pixels in our byte order a piece is composed
// straight into it; other TrueColor formats get a converted copy.
class FrameImage {
 public:
  ~FrameImage() { Release(); }
  bool Create(Display* display, Visual* visual, int depth);
  void Release();

  // The part of the window frames reach: what it shows is unknown anew.
  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changes each time the window's pixels become unknown.
  uint64_t Generation() const { return generation_; }

  const RasterView& Strip() const { return view_; }
  // The strip's width x height at (fromX, fromY) to (x, y) of the drawable.
  void Put(Drawable drawable, GC gc, int fromX, int fromY, int x, int y, int width, int height);
  // The strip is written again: the server must have read what was put.
  void Taken();

  static bool Supported(const Visual* visual) {
    return visual != nullptr && visual->c_class == TrueColor && visual->red_mask != 0 &&
           visual->green_mask != 0 && visual->blue_mask != 0;
  }

 private:
  void CreateShared(Visual* visual, int depth);
  bool IsDirect(const Visual* visual, int depth) const;
  static void ChannelTable(unsigned long mask, uint32_t* table);
  void BuildTables(const Visual* visual, int depth);
  void Convert(int fromX, int fromY, int width, int height);

  Display* display_ = nullptr;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
  bool shared_ = false;
  // Pieces put from shared memory the server has yet to read.
  bool pending_ = false;
  bool direct_ = false;
  RasterView view_{};
  int width_ = 0;
  int height_ = 0;
  uint64_t generation_ = 0;
  std::vector<uint32_t> staging_;
  uint32_t red_[256] = {};
  uint32_t green_[256] = {};
  uint32_t blue_[256] = {};
  uint32_t extra_ = 0;
};

// One scene's part of the window. The server keeps what it was given, so a
// scene's window pixels are one frame behind unless they are new.
class ImageTarget final : public PresentTarget {
 public:
  ImageTarget(FrameImage& image, const SceneArea& area, const Window& window, const GC& gc)
      : image_(image), area_(area), window_(window), gc_(gc) {}
  PresentBuffer Acquire() override;
  void Put(const Rect& shown, int32_t fromX, int32_t fromY) override;
  void Reuse() override { image_.Taken(); }
  void Present(std::span<const Rect> changed) override;

 private:
  FrameImage& image_;
  SceneArea area_;
  const Window& window_;
  const GC& gc_;
  uint64_t generation_ = 0;
};

}  // namespace glimmerkin::x11
