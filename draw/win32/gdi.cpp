#include "draw/win32/gdi.h"

#include <utility>

namespace glimmerkin {

namespace {

HINSTANCE pictureModule = nullptr;

// The live scratch surfaces in creation order. The Stage makes the image
// scratch first and the mask scratch second; the plain picture is not handed
// them, so it borrows the first one from here.
struct ScratchEntry {
  HDC dc;
  HGDIOBJ original;
};
constexpr int kMaxScratch = 8;
ScratchEntry scratchSurfaces[kMaxScratch] = {};
int scratchCount = 0;

void RegisterScratch(HDC dc, HGDIOBJ original) {
  if (scratchCount < kMaxScratch) scratchSurfaces[scratchCount++] = {dc, original};
}

void UnregisterScratch(HDC dc) {
  for (int i = 0; i < scratchCount; ++i) {
    if (scratchSurfaces[i].dc != dc) continue;
    for (int j = i + 1; j < scratchCount; ++j) scratchSurfaces[j - 1] = scratchSurfaces[j];
    --scratchCount;
    return;
  }
}

// A bitmap still selected into a context cannot be deleted: give every
// scratch surface holding it its own bitmap back first.
void ReleaseFromScratch(HBITMAP bitmap) {
  for (int i = 0; i < scratchCount; ++i)
    if (GetCurrentObject(scratchSurfaces[i].dc, OBJ_BITMAP) == bitmap)
      SelectObject(scratchSurfaces[i].dc, scratchSurfaces[i].original);
}

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
      scratch_(std::exchange(other.scratch_, false)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    Release();
    dc_ = std::exchange(other.dc_, nullptr);
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    original_ = std::exchange(other.original_, nullptr);
    scratch_ = std::exchange(other.scratch_, false);
  }
  return *this;
}

void Surface::Release() {
  if (dc_ != nullptr) {
    if (scratch_) UnregisterScratch(dc_);
    if (original_ != nullptr) SelectObject(dc_, original_);
    DeleteDC(dc_);
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  original_ = nullptr;
  scratch_ = false;
}

Surface CreateScratchSurface(ReferenceContext reference) {
  Surface surface;
  surface.dc_ = CreateCompatibleDC(reference);
  if (surface.dc_ != nullptr) {
    surface.original_ = GetCurrentObject(surface.dc_, OBJ_BITMAP);
    surface.scratch_ = true;
    RegisterScratch(surface.dc_, surface.original_);
  }
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
                    int32_t height) {
  BitBlt(target, 0, 0, width, height, source.Context(), 0, 0, SRCCOPY);
}

Picture::Picture(int32_t resourceId, int32_t width, int32_t height)
    : image_(LoadBitmapResource(resourceId)), width_(width), height_(height) {}

Picture::Picture(int32_t imageResourceId, int32_t maskResourceId, int32_t width, int32_t height,
                 Surface& imageScratch, Surface& maskScratch)
    : width_(width),
      height_(height),
      imageScratch_(imageScratch.Context()),
      maskScratch_(maskScratch.Context()) {
  image_ = LoadBitmapResource(imageResourceId);
  HBITMAP maskResource = LoadBitmapResource(maskResourceId);
  mask_ = CreateBitmap(width, height, 1, 1, nullptr);
  const HDC imageDc = imageScratch_;
  const HDC maskDc = maskScratch_;
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
  ReleaseFromScratch(maskResource);
  DeleteObject(maskResource);
}

Picture::~Picture() {
  if (image_ != nullptr) {
    ReleaseFromScratch(image_);
    DeleteObject(image_);
  }
  if (mask_ != nullptr) {
    ReleaseFromScratch(mask_);
    DeleteObject(mask_);
  }
}

void Picture::DrawCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t cellWidth,
                       int32_t cellHeight, Surface& target) const {
  if (image_ == nullptr) return;
  const HDC targetDc = target.Context();
  if (mask_ != nullptr) {
    SelectObject(imageScratch_, image_);
    SelectObject(maskScratch_, mask_);
    BitBlt(targetDc, x, y, cellWidth, cellHeight, maskScratch_, cellX, cellY, SRCAND);
    BitBlt(targetDc, x, y, cellWidth, cellHeight, imageScratch_, cellX, cellY, SRCPAINT);
    return;
  }
  if (scratchCount >= 1) {
    const HDC imageDc = scratchSurfaces[0].dc;
    SelectObject(imageDc, image_);
    BitBlt(targetDc, x, y, cellWidth, cellHeight, imageDc, cellX, cellY, SRCCOPY);
    return;
  }
  // No scratch surface yet: a context of the picture's own for this draw.
  const HDC own = CreateCompatibleDC(targetDc);
  if (own == nullptr) return;
  const HGDIOBJ original = SelectObject(own, image_);
  BitBlt(targetDc, x, y, cellWidth, cellHeight, own, cellX, cellY, SRCCOPY);
  SelectObject(own, original);
  DeleteDC(own);
}

void Picture::DrawWhole(int32_t x, int32_t y, Surface& target) const {
  DrawCell(0, 0, x, y, width_, height_, target);
}

}  // namespace glimmerkin
