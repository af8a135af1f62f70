#include "draw/win32/gdi.h"

#include <algorithm>
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
      original_(std::exchange(other.original_, nullptr)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    Release();
    dc_ = std::exchange(other.dc_, nullptr);
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    original_ = std::exchange(other.original_, nullptr);
  }
  return *this;
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
  if (surface.dc_ == nullptr) return surface;
  surface.bitmap_ = CreateCompatibleBitmap(reference, width, height);
  // Without its bitmap the surface stays a 1 x 1 context: draws into it are
  // harmless and show nothing.
  if (surface.bitmap_ != nullptr) surface.original_ = SelectObject(surface.dc_, surface.bitmap_);
  return surface;
}

void CopySurface(Surface& target, const Surface& source, int32_t width, int32_t height) {
  BitBlt(target.Context(), 0, 0, width, height, source.Context(), 0, 0, SRCCOPY);
}

void PresentSurface(const FrameTarget& target, const Surface& source, int32_t width,
                    int32_t height, int32_t pixelSize) {
  const HDC dc = target.context;
  if (dc == nullptr || target.width <= 0 || target.height <= 0 || width <= 0 || height <= 0)
    return;
  if (pixelSize <= 1) {
    BitBlt(dc, target.x, target.y, std::min(width, target.width), std::min(height, target.height),
           source.Context(), 0, 0, SRCCOPY);
    return;
  }
  // Whole-pixel enlargement, cut to the area: the last column and row of
  // stage pixels may reach past it by up to pixelSize - 1. The window's
  // context is its own and keeps its state between frames, so the clip is
  // put back as it was.
  const int64_t enlargedWidth = int64_t{width} * pixelSize;
  const int64_t enlargedHeight = int64_t{height} * pixelSize;
  const bool cut = enlargedWidth > target.width || enlargedHeight > target.height;
  const int saved = cut ? SaveDC(dc) : 0;
  if (cut && saved == 0) return;  // no way to put the clip back: draw nothing
  if (cut)
    IntersectClipRect(dc, target.x, target.y, target.x + target.width, target.y + target.height);
  const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, target.x, target.y, static_cast<int>(enlargedWidth),
             static_cast<int>(enlargedHeight), source.Context(), 0, 0, width, height, SRCCOPY);
  if (previousMode != 0) SetStretchBltMode(dc, previousMode);
  if (saved != 0) RestoreDC(dc, saved);
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
