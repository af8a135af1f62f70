#pragma once
// The window's pixels: the image frames are put to the window from, and the
// present target each scene's part of it is.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "animation/present.h"
#include "animation/scene_plan.h"
#include "host/x11/x11_connection.h"

namespace glimmerkin::x11 {

// The part of the window image a scene is presented into; empty when the
// area does not start inside the image.
RasterView AreaView(const RasterView& image, const SceneArea& area);

// The image a frame is put to the window from. On 24-bit TrueColor with
// 32-bit pixels in our byte order the frame is copied straight into it;
// other TrueColor formats get a converted copy.
class FrameImage {
 public:
  ~FrameImage() { Release(); }

  bool Create(Display* display, Visual* visual, int depth, int width, int height) {
    Release();
    display_ = display;
    if (width <= 0 || height <= 0) return true;
    if (XShmQueryExtension(display)) CreateShared(visual, depth, width, height);
    if (image_ == nullptr) {
      image_ = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
      if (image_ == nullptr) return false;
      const size_t bytes = static_cast<size_t>(image_->bytes_per_line) * static_cast<size_t>(height);
      image_->data = static_cast<char*>(std::calloc(bytes, 1));
      if (image_->data == nullptr) {
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
      }
    }
    direct_ = IsDirect(visual, depth);
    ++generation_;
    view_ = RasterView{};
    view_.width = width;
    view_.height = height;
    if (direct_) {
      view_.pixels = reinterpret_cast<uint32_t*>(image_->data);
      view_.stride = image_->bytes_per_line / 4;
    } else {
      staging_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
      view_.pixels = staging_.data();
      view_.stride = width;
      BuildTables(visual, depth);
    }
    return true;
  }

  const RasterView& View() const { return view_; }

  // Puts the given rectangles of the image (within it) to the drawable.
  void Put(Drawable drawable, GC gc, std::span<const Rect> rects) {
    if (image_ == nullptr || rects.empty()) return;
    for (const Rect& r : rects) {
      if (!direct_) Convert(r);
      const auto w = static_cast<unsigned>(r.width);
      const auto h = static_cast<unsigned>(r.height);
      if (shared_)
        XShmPutImage(display_, drawable, gc, image_, r.x, r.y, r.x, r.y, w, h, False);
      else
        XPutImage(display_, drawable, gc, image_, r.x, r.y, r.x, r.y, w, h);
    }
    if (shared_) {
      // The server reads the shared pixels after the request; the next frame
      // must not overwrite them before it has.
      XSync(display_, False);
    } else {
      XFlush(display_);
    }
  }

  // Changes each time the image is made anew: what it held is then unknown.
  uint64_t Generation() const { return generation_; }

  bool Shared() const { return shared_; }
  bool Direct() const { return image_ != nullptr && direct_; }

  void Release() {
    if (image_ != nullptr) {
      if (shared_) {
        XShmDetach(display_, &segment_);
        XSync(display_, False);
        shmdt(segment_.shmaddr);
        image_->data = nullptr;
      }
      XDestroyImage(image_);
    }
    image_ = nullptr;
    shared_ = false;
    staging_.clear();
    view_ = RasterView{};
  }

  static bool Supported(const Visual* visual) {
    return visual != nullptr && visual->c_class == TrueColor && visual->red_mask != 0 &&
           visual->green_mask != 0 && visual->blue_mask != 0;
  }

 private:
  void CreateShared(Visual* visual, int depth, int width, int height) {
    segment_ = XShmSegmentInfo{};
    XImage* image = XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap,
                                    nullptr, &segment_, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
    if (image == nullptr) return;
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height);
    segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment_.shmid < 0) {
      XDestroyImage(image);
      return;
    }
    void* address = shmat(segment_.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      shmctl(segment_.shmid, IPC_RMID, nullptr);
      XDestroyImage(image);
      return;
    }
    segment_.shmaddr = static_cast<char*>(address);
    segment_.readOnly = False;
    image->data = segment_.shmaddr;
    // A remote server cannot reach our memory and refuses the segment.
    bool attached = false;
    const bool refused = Refused(display_, [&] { attached = XShmAttach(display_, &segment_); });
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (refused || !attached) {
      shmdt(segment_.shmaddr);
      image->data = nullptr;
      XDestroyImage(image);
      return;
    }
    image_ = image;
    shared_ = true;
  }

  bool IsDirect(const Visual* visual, int depth) const {
    const int native = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    return depth == 24 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
           visual->blue_mask == 0xff && image_->bits_per_pixel == 32 &&
           image_->byte_order == native;
  }

  static void ChannelTable(unsigned long mask, uint32_t* table) {
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    for (uint32_t v = 0; v < 256; ++v) {
      uint64_t scaled = bits <= 8 ? (v >> (8 - bits)) : (uint64_t{v} << (bits - 8));
      table[v] = static_cast<uint32_t>((scaled << shift) & mask);
    }
  }

  void BuildTables(const Visual* visual, int depth) {
    ChannelTable(visual->red_mask, red_);
    ChannelTable(visual->green_mask, green_);
    ChannelTable(visual->blue_mask, blue_);
    // Bits beside the colours (an alpha channel) are set: opaque.
    const uint64_t all = depth >= 32 ? 0xffffffffu : ((uint64_t{1} << depth) - 1);
    extra_ = static_cast<uint32_t>(all & ~(visual->red_mask | visual->green_mask | visual->blue_mask));
  }

  void Convert(const Rect& r) {
    const int bytesPerPixel = image_->bits_per_pixel / 8;
    const bool msb = image_->byte_order == MSBFirst;
    if (image_->bits_per_pixel % 8 != 0 || bytesPerPixel < 1 || bytesPerPixel > 4) return;
    for (int y = r.y; y < r.Bottom(); ++y) {
      const uint32_t* source = staging_.data() + static_cast<size_t>(y) * static_cast<size_t>(view_.width);
      auto* row = reinterpret_cast<unsigned char*>(image_->data) +
                  static_cast<size_t>(y) * static_cast<size_t>(image_->bytes_per_line);
      for (int x = r.x; x < r.Right(); ++x) {
        const uint32_t rgb = source[x];
        const uint32_t pixel = red_[(rgb >> 16) & 0xff] | green_[(rgb >> 8) & 0xff] |
                               blue_[rgb & 0xff] | extra_;
        unsigned char* out = row + static_cast<size_t>(x) * static_cast<size_t>(bytesPerPixel);
        for (int b = 0; b < bytesPerPixel; ++b) {
          const int shift = 8 * (msb ? bytesPerPixel - 1 - b : b);
          out[b] = static_cast<unsigned char>(pixel >> shift);
        }
      }
    }
  }

  Display* display_ = nullptr;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
  bool shared_ = false;
  bool direct_ = false;
  RasterView view_{};
  uint64_t generation_ = 0;
  std::vector<uint32_t> staging_;
  uint32_t red_[256] = {};
  uint32_t green_[256] = {};
  uint32_t blue_[256] = {};
  uint32_t extra_ = 0;
};

// One scene's part of the window image. The image keeps what it was given,
// so a scene's buffer is one frame behind unless the image is new; the
// rectangles are gathered for one put of the whole window.
class ImageTarget final : public PresentTarget {
 public:
  ImageTarget(FrameImage& image, const SceneArea& area, std::vector<Rect>& pending)
      : image_(image), area_(area), pending_(pending) {}
  PresentBuffer Acquire() override {
    return PresentBuffer{AreaView(image_.View(), area_), generation_ == image_.Generation() ? 1u : 0u};
  }
  void Present(std::span<const Rect> changed) override {
    generation_ = image_.Generation();
    for (const Rect& r : changed) {
      if (pending_.size() == pending_.capacity()) {
        // Beyond the room set aside: the whole image goes instead.
        const RasterView& all = image_.View();
        pending_.assign(1, Rect{0, 0, all.width, all.height});
        return;
      }
      pending_.push_back(Rect{r.x + area_.x, r.y + area_.y, r.width, r.height});
    }
  }

 private:
  FrameImage& image_;
  SceneArea area_;
  std::vector<Rect>& pending_;
  uint64_t generation_ = 0;
};

}  // namespace glimmerkin::x11
