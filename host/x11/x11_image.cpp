#include "host/x11/x11_image.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "host/x11/x11_connection.h"

namespace glimmerkin::x11 {

bool FrameImage::Create(Display* display, Visual* visual, int depth) {
  Release();
  display_ = display;
  if (XShmQueryExtension(display)) CreateShared(visual, depth);
  if (image_ == nullptr) {
    image_ = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                          kStripWidth, kStripHeight, 32, 0);
    if (image_ == nullptr) return false;
    const size_t bytes = static_cast<size_t>(image_->bytes_per_line) * kStripHeight;
    image_->data = static_cast<char*>(std::calloc(bytes, 1));
    if (image_->data == nullptr) {
      XDestroyImage(image_);
      image_ = nullptr;
      return false;
    }
  }
  direct_ = IsDirect(visual, depth);
  view_ = RasterView{nullptr, kStripWidth, kStripHeight, 0};
  if (direct_) {
    view_.pixels = reinterpret_cast<uint32_t*>(image_->data);
    view_.stride = image_->bytes_per_line / 4;
  } else {
    staging_.assign(static_cast<size_t>(kStripWidth) * kStripHeight, 0);
    view_.pixels = staging_.data();
    view_.stride = kStripWidth;
    BuildTables(visual, depth);
  }
  return true;
}

void FrameImage::Release() {
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
  pending_ = false;
  staging_.clear();
  view_ = RasterView{};
}

void FrameImage::Resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  ++generation_;
}

void FrameImage::Put(Drawable drawable, GC gc, int fromX, int fromY, int x, int y, int width,
                     int height) {
  if (image_ == nullptr || drawable == 0 || width <= 0 || height <= 0 || fromX < 0 || fromY < 0 ||
      fromX + width > kStripWidth || fromY + height > kStripHeight)
    return;
  if (!direct_) Convert(fromX, fromY, width, height);
  const auto w = static_cast<unsigned>(width);
  const auto h = static_cast<unsigned>(height);
  if (shared_) {
    XShmPutImage(display_, drawable, gc, image_, fromX, fromY, x, y, w, h, False);
    pending_ = true;
  } else {
    // The request carries the pixels: the strip is free again at once.
    XPutImage(display_, drawable, gc, image_, fromX, fromY, x, y, w, h);
  }
}

// The server reads shared pixels after the request: a round trip makes
// sure it has, once for all the pieces of a strip.
void FrameImage::Taken() {
  if (pending_) XSync(display_, False);
  pending_ = false;
}

void FrameImage::CreateShared(Visual* visual, int depth) {
  segment_ = XShmSegmentInfo{};
  XImage* image = XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap,
                                  nullptr, &segment_, kStripWidth, kStripHeight);
  if (image == nullptr) return;
  const size_t bytes = static_cast<size_t>(image->bytes_per_line) * kStripHeight;
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

bool FrameImage::IsDirect(const Visual* visual, int depth) const {
  const int native = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  return depth == 24 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
         visual->blue_mask == 0xff && image_->bits_per_pixel == 32 &&
         image_->byte_order == native;
}

void FrameImage::ChannelTable(unsigned long mask, uint32_t* table) {
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  for (uint32_t v = 0; v < 256; ++v) {
    uint64_t scaled = bits <= 8 ? (v >> (8 - bits)) : (uint64_t{v} << (bits - 8));
    table[v] = static_cast<uint32_t>((scaled << shift) & mask);
  }
}

void FrameImage::BuildTables(const Visual* visual, int depth) {
  ChannelTable(visual->red_mask, red_);
  ChannelTable(visual->green_mask, green_);
  ChannelTable(visual->blue_mask, blue_);
  // Bits beside the colours (an alpha channel) are set: opaque.
  const uint64_t all = depth >= 32 ? 0xffffffffu : ((uint64_t{1} << depth) - 1);
  extra_ = static_cast<uint32_t>(all & ~(visual->red_mask | visual->green_mask | visual->blue_mask));
}

void FrameImage::Convert(int fromX, int fromY, int width, int height) {
  const int bytesPerPixel = image_->bits_per_pixel / 8;
  const bool msb = image_->byte_order == MSBFirst;
  if (image_->bits_per_pixel % 8 != 0 || bytesPerPixel < 1 || bytesPerPixel > 4) return;
  for (int y = fromY; y < fromY + height; ++y) {
    const uint32_t* source = staging_.data() + static_cast<size_t>(y) * kStripWidth;
    auto* row = reinterpret_cast<unsigned char*>(image_->data) +
                static_cast<size_t>(y) * static_cast<size_t>(image_->bytes_per_line);
    for (int x = fromX; x < fromX + width; ++x) {
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

// The scene's area, cut to the part of the window frames reach; nothing
// when it does not start inside it.
PresentBuffer ImageTarget::Acquire() {
  if (area_.x < 0 || area_.y < 0 || area_.x >= image_.Width() || area_.y >= image_.Height())
    return PresentBuffer{};
  PresentBuffer buffer;
  buffer.pixels = image_.Strip();
  buffer.age = generation_ == image_.Generation() ? 1u : 0u;
  buffer.strip = true;
  buffer.width = std::min(area_.width, image_.Width() - area_.x);
  buffer.height = std::min(area_.height, image_.Height() - area_.y);
  return buffer;
}

void ImageTarget::Put(const Rect& shown, int32_t fromX, int32_t fromY) {
  image_.Put(window_, gc_, fromX, fromY, area_.x + shown.x, area_.y + shown.y, shown.width,
             shown.height);
}

void ImageTarget::Present(std::span<const Rect>) {
  generation_ = image_.Generation();
  image_.Taken();
}

}  // namespace glimmerkin::x11
