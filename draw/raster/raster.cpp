#include "draw/raster/raster.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include "draw/bmp_reader.h"
#include "resources/bitmap_resources.h"

namespace glimmerkin {
namespace {

// The part of a cell that lands on the target and comes from inside the
// picture, in target coordinates. 64-bit so that no position can overflow.
struct Span {
  int32_t x0, y0, x1, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Span ClipCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t cellWidth,
              int32_t cellHeight, int32_t pictureWidth, int32_t pictureHeight,
              int32_t targetWidth, int32_t targetHeight) {
  const int64_t left = std::max<int64_t>({int64_t{x}, 0, int64_t{x} - cellX});
  const int64_t top = std::max<int64_t>({int64_t{y}, 0, int64_t{y} - cellY});
  const int64_t right = std::min<int64_t>(
      {int64_t{x} + cellWidth, targetWidth, int64_t{x} - cellX + pictureWidth});
  const int64_t bottom = std::min<int64_t>(
      {int64_t{y} + cellHeight, targetHeight, int64_t{y} - cellY + pictureHeight});
  if (left >= right || top >= bottom) return {0, 0, 0, 0};
  return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
          static_cast<int32_t>(bottom)};
}

// The opaque pixels of a run, given its mask bits (1 = transparent): each
// span of opaque pixels is copied in one piece, so a sprite's row costs a
// copy or two whatever its length and no pixel is tested on its own.
inline void CopyOpaqueSpans(uint32_t* __restrict target, const uint32_t* __restrict image,
                            uint64_t opaque) {
  while (opaque != 0) {
    const int start = std::countr_zero(opaque);
    const int length = std::countr_one(opaque >> start);
    std::memcpy(target + start, image + start, static_cast<size_t>(length) * sizeof(uint32_t));
    opaque &= length == 64 ? 0 : ~(((uint64_t{1} << length) - 1) << start);
  }
}


bool LoadBitmap(int32_t id, DecodedBitmap& out) {
  const ResourceBytes bytes = FindBitmapResource(id);
  if (bytes.data == nullptr) return false;
  return DecodeBmp(bytes.data, bytes.size, out, nullptr);
}

bool IsWhite(uint32_t rgb) {
  const uint32_t sum = ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF);
  return sum >= 384;
}

}  // namespace

Surface& Surface::operator=(const Surface& other) {
  if (this == &other) return *this;
  if (other.UsesOutsideMemory()) {
    owned_.clear();
    pixels_ = other.pixels_;
  } else {
    owned_ = other.owned_;
    pixels_ = owned_.empty() ? nullptr : owned_.data();
  }
  width_ = other.width_;
  height_ = other.height_;
  return *this;
}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this == &other) return *this;
  const bool outside = other.UsesOutsideMemory();
  owned_ = std::move(other.owned_);
  pixels_ = outside ? other.pixels_ : (owned_.empty() ? nullptr : owned_.data());
  width_ = other.width_;
  height_ = other.height_;
  other.owned_.clear();
  other.pixels_ = nullptr;
  other.width_ = other.height_ = 0;
  return *this;
}

bool Surface::Allocate(int32_t width, int32_t height) {
  owned_.clear();
  pixels_ = nullptr;
  width_ = height_ = 0;
  if (width <= 0 || height <= 0) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  try {
    owned_.assign(count, 0u);
  } catch (const std::bad_alloc&) {
    return false;
  }
  pixels_ = owned_.data();
  width_ = width;
  height_ = height;
  return true;
}

bool Surface::UseMemory(uint32_t* pixels, int32_t width, int32_t height) {
  owned_.clear();
  owned_.shrink_to_fit();
  pixels_ = nullptr;
  width_ = height_ = 0;
  if (pixels == nullptr || width <= 0 || height <= 0) return false;
  pixels_ = pixels;
  width_ = width;
  height_ = height;
  return true;
}

Surface CreateScratchSurface(ReferenceContext) { return Surface(); }

Surface CreateWorkSurface(ReferenceContext, int32_t width, int32_t height) {
  Surface surface;
  surface.Allocate(width, height);
  return surface;
}

void CopySurface(Surface& target, const Surface& source, int32_t width, int32_t height) {
  const int32_t w = std::min({width, target.Width(), source.Width()});
  const int32_t h = std::min({height, target.Height(), source.Height()});
  if (w <= 0 || h <= 0) return;
  if (w == target.Width() && w == source.Width()) {
    std::memcpy(target.Pixels(), source.Pixels(),
                static_cast<size_t>(w) * static_cast<size_t>(h) * sizeof(uint32_t));
    return;
  }
  for (int32_t row = 0; row < h; ++row)
    std::memcpy(target.Pixels() + static_cast<size_t>(row) * target.Width(),
                source.Pixels() + static_cast<size_t>(row) * source.Width(),
                static_cast<size_t>(w) * sizeof(uint32_t));
}

void ClearRect(Surface& target, const Rect& area) {
  const Rect r = Intersection(area, Rect{0, 0, target.Width(), target.Height()});
  for (int32_t y = r.y; y < r.Bottom(); ++y)
    std::memset(target.Pixels() + static_cast<size_t>(y) * static_cast<size_t>(target.Width()) +
                    static_cast<size_t>(r.x),
                0, static_cast<size_t>(r.width) * sizeof(uint32_t));
}

Picture::Picture(int32_t resourceId, int32_t width, int32_t height, Surface&) {
  DecodedBitmap image;
  if (LoadBitmap(resourceId, image)) *this = FromBitmaps(image, nullptr, width, height);
}

Picture::Picture(int32_t imageResourceId, int32_t maskResourceId, int32_t width, int32_t height,
                 Surface&, Surface&) {
  // The scratch surfaces are where a display driver would do the preparation;
  // on a plain raster it is done in place.
  DecodedBitmap image;
  DecodedBitmap mask;
  if (LoadBitmap(imageResourceId, image) && LoadBitmap(maskResourceId, mask))
    *this = FromBitmaps(image, &mask, width, height);
}

Picture Picture::FromBitmaps(const DecodedBitmap& image, const DecodedBitmap* mask,
                             int32_t width, int32_t height) {
  Picture picture;
  if (width <= 0 || height <= 0 || image.width != width || image.height != height) return picture;
  if (mask != nullptr && (mask->width != width || mask->height != height)) return picture;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (image.pixels.size() != count || (mask != nullptr && mask->pixels.size() != count))
    return picture;
  picture.width_ = width;
  picture.height_ = height;
  picture.image_.assign(image.pixels.begin(), image.pixels.end());
  for (uint32_t& p : picture.image_) p &= 0x00FFFFFFu;
  if (mask != nullptr) {
    picture.maskStride_ = (width + 31) / 32;
    // Two padding words after the last row: a draw reads its mask bits two
    // words at a time.
    picture.mask_.assign(static_cast<size_t>(picture.maskStride_) * static_cast<size_t>(height) + 2,
                         0u);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
        if (IsWhite(mask->pixels[i])) continue;  // opaque: keep the pixel, mask bit 0
        picture.image_[i] = 0;                    // transparent: blacked out
        picture.mask_[static_cast<size_t>(y) * static_cast<size_t>(picture.maskStride_) +
                      static_cast<size_t>(x / 32)] |= 1u << (x % 32);
      }
    }
  }
  return picture;
}

uint32_t Picture::ImagePixel(int32_t x, int32_t y) const {
  return image_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

uint32_t Picture::MaskBit(int32_t x, int32_t y) const {
  if (mask_.empty()) return 0;
  const uint32_t word =
      mask_[static_cast<size_t>(y) * static_cast<size_t>(maskStride_) + static_cast<size_t>(x / 32)];
  return (word >> (x % 32)) & 1u;
}

Rect Picture::OpaqueBounds(int32_t cellX, int32_t cellY, int32_t cellWidth,
                          int32_t cellHeight) const {
  const Rect cell{cellX, cellY, cellWidth, cellHeight};
  if (image_.empty()) return Rect{};
  if (mask_.empty()) {
    const Rect in = Intersection(cell, Rect{0, 0, width_, height_});
    return in.Empty() ? Rect{} : Rect{in.x - cellX, in.y - cellY, in.width, in.height};
  }
  return OpaqueBoundsOfMask(mask_.data(), maskStride_, width_, height_, cell);
}

void Picture::DrawCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t cellWidth,
                       int32_t cellHeight, Surface& target) const {
  if (image_.empty() || target.Empty()) return;
  const Span span = ClipCell(cellX, cellY, x, y, cellWidth, cellHeight, width_, height_,
                             target.Width(), target.Height());
  if (span.Empty()) return;
  const int32_t dx = cellX - x;  // source column = target column + dx
  const int32_t dy = cellY - y;
  const size_t rowPixels = static_cast<size_t>(span.x1 - span.x0);
  for (int32_t ty = span.y0; ty < span.y1; ++ty) {
    uint32_t* out = target.Pixels() + static_cast<size_t>(ty) * static_cast<size_t>(target.Width()) +
                    static_cast<size_t>(span.x0);
    const int32_t sy = ty + dy;
    const uint32_t* in = image_.data() + static_cast<size_t>(sy) * static_cast<size_t>(width_) +
                         static_cast<size_t>(span.x0 + dx);
    if (mask_.empty()) {
      std::memcpy(out, in, rowPixels * sizeof(uint32_t));
      continue;
    }
    const uint32_t* maskRow = mask_.data() + static_cast<size_t>(sy) * static_cast<size_t>(maskStride_);
    // Runs of up to 64 pixels take their mask bits in one piece: a run that
    // is all transparent leaves the target alone, one that is all opaque is
    // a copy, and a mixed one has its opaque spans copied. The result is
    // (target AND mask) OR image for every pixel: transparent pixels are
    // black in the image and keep the target.
    const uint32_t first = static_cast<uint32_t>(span.x0 + dx);
    for (size_t i = 0; i < rowPixels; i += 64) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(64, rowPixels - i));
      const uint32_t s = first + static_cast<uint32_t>(i);
      const uint32_t* words = maskRow + (s >> 5);
      const uint32_t shift = s & 31u;
      // The mask rows carry padding words, so reading two past the last
      // word a run needs stays inside the mask.
      const uint64_t low = uint64_t{words[0]} | (uint64_t{words[1]} << 32);
      uint64_t bits = shift == 0 ? low : (low >> shift) | (uint64_t{words[2]} << (64 - shift));
      const uint64_t relevant = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
      bits &= relevant;
      if (bits == relevant) continue;
      if (bits == 0) {
        std::memcpy(out + i, in + i, n * sizeof(uint32_t));
        continue;
      }
      CopyOpaqueSpans(out + i, in + i, ~bits & relevant);
    }
  }
}

void Picture::DrawWhole(int32_t x, int32_t y, Surface& target) const {
  DrawCell(0, 0, x, y, width_, height_, target);
}

}  // namespace glimmerkin
