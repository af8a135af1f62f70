#include "draw/win32/gdi.h"

#include <algorithm>
#include <new>
#include <utility>

namespace glimmerkin {

namespace {

HINSTANCE pictureModule = nullptr;

HBITMAP LoadBitmapResource(int32_t id) {
  HINSTANCE module = pictureModule != nullptr ? pictureModule : GetModuleHandleA(nullptr);
  return static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                         LR_DEFAULTCOLOR));
}

}  // namespace

void SetPictureModule(HINSTANCE module) { pictureModule = module; }

Surface::~Surface() { Release(); }

Surface::Surface(Surface&& other) noexcept
    : dc_(std::exchange(other.dc_, nullptr)),
      bitmap_(std::exchange(other.bitmap_, nullptr)),
      original_(std::exchange(other.original_, nullptr)),
      pixels_(std::exchange(other.pixels_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    Release();
    dc_ = std::exchange(other.dc_, nullptr);
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    original_ = std::exchange(other.original_, nullptr);
    pixels_ = std::exchange(other.pixels_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

RasterView Surface::View() const {
  if (pixels_ == nullptr) return RasterView{};
  // GDI may still be drawing into the section.
  GdiFlush();
  return RasterView{pixels_, width_, height_, width_};
}

void Surface::Release() {
  if (dc_ != nullptr) {
    if (original_ != nullptr) SelectObject(dc_, original_);
    DeleteDC(dc_);
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  original_ = nullptr;
  pixels_ = nullptr;
  width_ = height_ = 0;
}

Surface CreateScratchSurface(ReferenceContext reference) {
  Surface surface;
  surface.dc_ = CreateCompatibleDC(reference);
  if (surface.dc_ != nullptr) surface.original_ = GetCurrentObject(surface.dc_, OBJ_BITMAP);
  return surface;
}

Surface CreateWorkSurface(ReferenceContext reference, int32_t width, int32_t height) {
  Surface surface;
  surface.dc_ = CreateCompatibleDC(reference);
  if (surface.dc_ == nullptr || width <= 0 || height <= 0) return surface;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  surface.bitmap_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  // Without its bitmap the surface stays a 1 x 1 context: draws into it are
  // harmless and show nothing.
  if (surface.bitmap_ == nullptr || bits == nullptr) {
    if (surface.bitmap_ != nullptr) DeleteObject(surface.bitmap_);
    surface.bitmap_ = nullptr;
    return surface;
  }
  surface.original_ = SelectObject(surface.dc_, surface.bitmap_);
  surface.pixels_ = static_cast<uint32_t*>(bits);
  surface.width_ = width;
  surface.height_ = height;
  return surface;
}

void CopySurface(Surface& target, const Surface& source, int32_t width, int32_t height) {
  BitBlt(target.Context(), 0, 0, width, height, source.Context(), 0, 0, SRCCOPY);
}

void ClearRect(Surface& target, const Rect& area) {
  if (area.Empty()) return;
  PatBlt(target.Context(), area.x, area.y, area.width, area.height, BLACKNESS);
}

Picture::Picture(int32_t resourceId, int32_t width, int32_t height, Surface& imageScratch)
    : image_(LoadBitmapResource(resourceId)),
      width_(width),
      height_(height),
      imageScratch_(&imageScratch) {}

Picture::Picture(int32_t imageResourceId, int32_t maskResourceId, int32_t width, int32_t height,
                 Surface& imageScratch, Surface& maskScratch)
    : width_(width),
      height_(height),
      imageScratch_(&imageScratch),
      maskScratch_(&maskScratch) {
  image_ = LoadBitmapResource(imageResourceId);
  HBITMAP maskResource = LoadBitmapResource(maskResourceId);
  mask_ = CreateBitmap(width, height, 1, 1, nullptr);
  const HDC imageDc = imageScratch.Context();
  const HDC maskDc = maskScratch.Context();
  if (image_ == nullptr || maskResource == nullptr || mask_ == nullptr || imageDc == nullptr ||
      maskDc == nullptr) {
    // Half a picture would show the sheet's grey: keep none of it.
    if (image_ != nullptr) DeleteObject(image_);
    if (mask_ != nullptr) DeleteObject(mask_);
    if (maskResource != nullptr) DeleteObject(maskResource);
    image_ = nullptr;
    mask_ = nullptr;
    return;
  }
  // Black out the transparent pixels: image AND mask resource, the one-bit
  // source expanding to black (0) and white (1).
  SelectObject(imageDc, maskResource);
  SelectObject(maskDc, image_);
  BitBlt(maskDc, 0, 0, width, height, imageDc, 0, 0, SRCAND);
  // The mask, inverted: 1 where transparent.
  SelectObject(maskDc, mask_);
  SetBkColor(imageDc, RGB(0, 0, 0));
  BitBlt(maskDc, 0, 0, width, height, imageDc, 0, 0, NOTSRCCOPY);
  Deselect(maskResource);
  DeleteObject(maskResource);
  ReadMaskBits(maskDc);
}

void Picture::ReadMaskBits(HDC reference) {
  // The mask read back as 32-bit pixels (black opaque, white transparent),
  // then kept one bit a pixel.
  Deselect(mask_);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels;
  try {
    pixels.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    maskStride_ = (width_ + 31) / 32;
    maskBits_.assign(static_cast<size_t>(maskStride_) * static_cast<size_t>(height_), 0u);
  } catch (const std::bad_alloc&) {
    maskBits_.clear();
    return;
  }
  if (GetDIBits(reference, mask_, 0, static_cast<UINT>(height_), pixels.data(), &info,
                DIB_RGB_COLORS) != height_) {
    // Unknown bounds: every cell counts as opaque throughout.
    maskBits_.clear();
    return;
  }
  for (int32_t y = 0; y < height_; ++y)
    for (int32_t x = 0; x < width_; ++x)
      if ((pixels[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] &
           0xFFFFFFu) != 0)
        maskBits_[static_cast<size_t>(y) * static_cast<size_t>(maskStride_) +
                  static_cast<size_t>(x / 32)] |= 1u << (x % 32);
}

Rect Picture::OpaqueBounds(int32_t cellX, int32_t cellY, int32_t cellWidth,
                          int32_t cellHeight) const {
  const Rect cell{cellX, cellY, cellWidth, cellHeight};
  if (image_ == nullptr) return Rect{};
  if (maskBits_.empty()) {
    const Rect in = Intersection(cell, Rect{0, 0, width_, height_});
    return in.Empty() ? Rect{} : Rect{in.x - cellX, in.y - cellY, in.width, in.height};
  }
  return OpaqueBoundsOfMask(maskBits_.data(), maskStride_, width_, height_, cell);
}

Picture::~Picture() {
  if (image_ != nullptr) {
    Deselect(image_);
    DeleteObject(image_);
  }
  if (mask_ != nullptr) {
    Deselect(mask_);
    DeleteObject(mask_);
  }
}

void Picture::Deselect(HBITMAP bitmap) const {
  for (const Surface* scratch : {imageScratch_, maskScratch_})
    if (scratch != nullptr && scratch->dc_ != nullptr &&
        GetCurrentObject(scratch->dc_, OBJ_BITMAP) == bitmap)
      SelectObject(scratch->dc_, scratch->original_);
}

void Picture::DrawCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t cellWidth,
                       int32_t cellHeight, Surface& target) const {
  if (image_ == nullptr) return;
  const HDC targetDc = target.Context();
  const HDC imageDc = imageScratch_ != nullptr ? imageScratch_->Context() : nullptr;
  if (imageDc == nullptr) return;
  if (mask_ != nullptr) {
    const HDC maskDc = maskScratch_ != nullptr ? maskScratch_->Context() : nullptr;
    if (maskDc == nullptr) return;
    SelectObject(imageDc, image_);
    SelectObject(maskDc, mask_);
    BitBlt(targetDc, x, y, cellWidth, cellHeight, maskDc, cellX, cellY, SRCAND);
    BitBlt(targetDc, x, y, cellWidth, cellHeight, imageDc, cellX, cellY, SRCPAINT);
    return;
  }
  SelectObject(imageDc, image_);
  BitBlt(targetDc, x, y, cellWidth, cellHeight, imageDc, cellX, cellY, SRCCOPY);
}

void Picture::DrawWhole(int32_t x, int32_t y, Surface& target) const {
  DrawCell(0, 0, x, y, width_, height_, target);
}

}  // namespace glimmerkin
