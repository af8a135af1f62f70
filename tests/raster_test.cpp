#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "draw/bmp_reader.h"
#include "draw/raster/raster.h"
#include "draw/sheet_layout.h"
#include "resources/bitmap_resources.h"

namespace glimmerkin {
namespace {

// A picture with varied colours, black pixels among its opaque ones, and a
// mask pattern that is neither all clear nor all set in any row.
struct Synthetic {
  DecodedBitmap image;
  DecodedBitmap mask;
};

Synthetic MakeSynthetic(int32_t w, int32_t h, bool bands = false) {
  Synthetic s;
  s.image.width = s.mask.width = w;
  s.image.height = s.mask.height = h;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      // Bands give whole 32-pixel runs that are all opaque or all clear.
      const bool opaque = bands ? ((x / 37 + y / 5) % 3 == 0 || (x % 97 > 60 && (x + y) % 3 == 0))
                                : ((x * 7 + y * 3) % 5) < 3;
      uint32_t colour = static_cast<uint32_t>((x * 37 + y * 91) & 0xFFFFFF);
      if ((x + y) % 11 == 0) colour = 0;  // opaque black must still be drawn
      s.image.pixels.push_back(opaque ? colour : 0x606060u);
      s.mask.pixels.push_back(opaque ? 0xFFFFFFu : 0u);
    }
  }
  return s;
}

Surface Filled(int32_t w, int32_t h, uint32_t seed) {
  Surface s;
  EXPECT_TRUE(s.Allocate(w, h));
  for (int32_t i = 0; i < w * h; ++i) s.Pixels()[i] = (seed * 2654435761u + i * 40503u) & 0xFFFFFF;
  return s;
}

// The plain per-pixel choice: where the mask is white take the image pixel.
Surface Reference(const Surface& before, const Synthetic& art, bool masked, int32_t cx, int32_t cy,
                  int32_t x, int32_t y, int32_t cw, int32_t ch) {
  Surface out = before;
  for (int32_t v = 0; v < ch; ++v) {
    for (int32_t u = 0; u < cw; ++u) {
      const int64_t tx = int64_t{x} + u, ty = int64_t{y} + v;
      if (tx < 0 || ty < 0 || tx >= out.Width() || ty >= out.Height()) continue;
      const size_t src = static_cast<size_t>((cy + v) * art.image.width + cx + u);
      if (masked && art.mask.pixels[src] == 0) continue;
      out.Pixels()[ty * out.Width() + tx] = art.image.pixels[src];
    }
  }
  return out;
}

void ExpectSame(const Surface& a, const Surface& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  int differences = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.At(x, y) != b.At(x, y) && ++differences < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << a.At(x, y) << " vs " << b.At(x, y);
  EXPECT_EQ(differences, 0);
}

TEST(RasterPicture, MaskedPictureKeepsTheStoredForm) {
  const Synthetic art = MakeSynthetic(70, 40);
  const Picture p = Picture::FromBitmaps(art.image, &art.mask, 70, 40);
  ASSERT_TRUE(p.Loaded());
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 70; ++x) {
      const size_t i = static_cast<size_t>(y * 70 + x);
      const bool opaque = art.mask.pixels[i] != 0;
      EXPECT_EQ(p.MaskBit(x, y), opaque ? 0u : 1u);
      EXPECT_EQ(p.ImagePixel(x, y), opaque ? art.image.pixels[i] : 0u);
    }
}

struct DrawCase {
  int32_t cx, cy, x, y, cw, ch;
};

TEST(RasterPicture, MaskedAndPlainDrawsEqualThePerPixelRule) {
  const Synthetic art = MakeSynthetic(90, 60);
  const Picture masked = Picture::FromBitmaps(art.image, &art.mask, 90, 60);
  const Picture plain = Picture::FromBitmaps(art.image, nullptr, 90, 60);
  const DrawCase cases[] = {
      {0, 0, 10, 10, 90, 60},    {5, 7, 0, 0, 33, 20},     {20, 10, -15, -8, 40, 30},
      {20, 10, 100, 50, 40, 30}, {0, 0, -200, 5, 90, 60}, {0, 0, 5, 500, 90, 60},
      {31, 3, 63, 1, 59, 50},    {0, 0, 127, 79, 90, 60}, {1, 1, 3, 3, 0, 5},
  };
  for (const auto& c : cases) {
    for (bool isMasked : {true, false}) {
      Surface target = Filled(128, 80, static_cast<uint32_t>(c.x * 31 + c.y));
      const Surface expected = Reference(target, art, isMasked, c.cx, c.cy, c.x, c.y, c.cw, c.ch);
      (isMasked ? masked : plain).DrawCell(c.cx, c.cy, c.x, c.y, c.cw, c.ch, target);
      SCOPED_TRACE(::testing::Message() << "cell at " << c.x << "," << c.y
                                        << (isMasked ? " masked" : " plain"));
      ExpectSame(target, expected);
    }
  }
}

TEST(RasterPicture, WideRunsOfOneKindDrawLikeThePerPixelRule) {
  const Synthetic art = MakeSynthetic(300, 40, true);
  const Picture masked = Picture::FromBitmaps(art.image, &art.mask, 300, 40);
  for (int32_t cx : {0, 1, 31, 32, 33, 63, 100}) {
    for (int32_t x : {-40, -3, 0, 5, 77}) {
      Surface target = Filled(256, 48, static_cast<uint32_t>(cx + x));
      const Surface expected = Reference(target, art, true, cx, 3, x, 2, 190, 35);
      masked.DrawCell(cx, 3, x, 2, 190, 35, target);
      SCOPED_TRACE(::testing::Message() << "cell x " << cx << " at " << x);
      ExpectSame(target, expected);
    }
  }
}

TEST(RasterPicture, ExtremePositionsAreClippedWithoutOverflow) {
  const Synthetic art = MakeSynthetic(16, 16);
  const Picture p = Picture::FromBitmaps(art.image, &art.mask, 16, 16);
  Surface target = Filled(32, 32, 3);
  const Surface before = target;
  p.DrawCell(0, 0, INT32_MAX - 3, INT32_MAX - 3, 16, 16, target);
  p.DrawCell(0, 0, INT32_MIN, INT32_MIN, 16, 16, target);
  p.DrawCell(0, 0, 0, 0, INT32_MAX, INT32_MAX, target);  // clipped to the picture
  const Surface expected = Reference(before, art, true, 0, 0, 0, 0, 16, 16);
  ExpectSame(target, expected);
}

TEST(RasterPicture, WholeGroundTileAtTheRightEdgeDrawsItsLeftPart) {
  Synthetic art = MakeSynthetic(640, 480);
  const Picture tile = Picture::FromBitmaps(art.image, nullptr, 640, 480);
  Surface target = Filled(1024, 480, 9);
  const Surface before = target;
  tile.DrawWhole(640, 0, target);
  for (int32_t y = 0; y < 480; y += 7) {
    EXPECT_EQ(target.At(1023, y), art.image.pixels[static_cast<size_t>(y * 640 + 383)]);
    EXPECT_EQ(target.At(639, y), before.At(639, y));
  }
  EXPECT_EQ(target.At(640, 0), art.image.pixels[0]);
}

TEST(RasterPicture, BitmapOfTheWrongSizeDrawsNothing) {
  const Synthetic art = MakeSynthetic(20, 20);
  EXPECT_FALSE(Picture::FromBitmaps(art.image, &art.mask, 21, 20).Loaded());
  const Synthetic small = MakeSynthetic(10, 20);
  EXPECT_FALSE(Picture::FromBitmaps(art.image, &small.mask, 20, 20).Loaded());
  Picture empty;
  Surface target = Filled(8, 8, 1);
  const Surface before = target;
  empty.DrawCell(0, 0, 0, 0, 8, 8, target);
  ExpectSame(target, before);
}

TEST(RasterSurface, CopiesAreClippedToBothSides) {
  Surface source = Filled(50, 40, 5);
  Surface target = Filled(30, 60, 6);
  const Surface before = target;
  CopySurface(target, source, 50, 40);
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 30; ++x)
      ASSERT_EQ(target.At(x, y), y < 40 ? source.At(x, y) : before.At(x, y));

  std::vector<uint32_t> window(20 * 10 + 5, 0xABCDEFu);
  RasterView view{window.data(), 20, 10, 20};
  EnlargeRect(view, source.View(), Rect{0, 0, 50, 40}, 1);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(window[static_cast<size_t>(y * 20 + x)], source.At(x, y));
  EXPECT_EQ(window.back(), 0xABCDEFu);
}

TEST(RasterSurface, NonPositiveSizesGiveAnEmptySurface) {
  Surface s;
  EXPECT_FALSE(s.Allocate(0, 10));
  EXPECT_FALSE(s.Allocate(10, -1));
  EXPECT_TRUE(s.Empty());
}

}  // namespace
}  // namespace glimmerkin


namespace glimmerkin {
namespace {

// The real sheet through the masked picture: every listed cell, drawn over
// a background no figure uses, changes exactly the pixels under white mask
// pixels, to the sheet's own colour, and the key grey never shows.
TEST(RealSheet, EveryCellChangesExactlyItsOpaquePixels) {
  DecodedBitmap sheet, mask;
  const ResourceBytes s = FindBitmapResource(kSheetResource);
  const ResourceBytes m = FindBitmapResource(kSheetMaskResource);
  ASSERT_NE(s.data, nullptr);
  ASSERT_NE(m.data, nullptr);
  ASSERT_TRUE(DecodeBmp(s.data, s.size, sheet, nullptr));
  ASSERT_TRUE(DecodeBmp(m.data, m.size, mask, nullptr));
  Surface imageScratch, maskScratch;
  const Picture picture(kSheetResource, kSheetMaskResource, 840, 522, imageScratch, maskScratch);
  ASSERT_TRUE(picture.Loaded());
  const uint32_t background = 0xFF00FFu;
  for (const SheetCell& cell : SheetCells()) {
    Surface target;
    ASSERT_TRUE(target.Allocate(cell.width + 20, cell.height + 20));
    std::fill(target.Pixels(), target.Pixels() + target.Width() * target.Height(), background);
    picture.DrawCell(cell.x, cell.y, 10, 10, cell.width, cell.height, target);
    int opaque = 0;
    for (int32_t v = 0; v < target.Height(); ++v) {
      for (int32_t u = 0; u < target.Width(); ++u) {
        const int32_t sx = cell.x + u - 10, sy = cell.y + v - 10;
        const bool inside = u >= 10 && v >= 10 && u < cell.width + 10 && v < cell.height + 10;
        const size_t i = static_cast<size_t>(sy) * 840 + static_cast<size_t>(sx);
        const bool white = inside && (mask.pixels[i] & 0xFFFFFF) == 0xFFFFFF;
        const uint32_t got = target.At(u, v);
        if (white) {
          ++opaque;
          ASSERT_EQ(got, sheet.pixels[i] & 0xFFFFFF) << cell.name << " at " << u << "," << v;
          ASSERT_NE(got, 0x606060u) << cell.name;
        } else {
          ASSERT_EQ(got, background) << cell.name << " at " << u << "," << v;
        }
      }
    }
    EXPECT_GT(opaque, 0) << cell.name;
  }
}

}  // namespace
}  // namespace glimmerkin

namespace glimmerkin {
namespace {

TEST(RasterSurface, OutsideMemoryIsDrawnInPlaceAndCopyingItOntoItselfChangesNothing) {
  std::vector<uint32_t> window(40 * 30, 0x111111u);
  Surface back;
  ASSERT_TRUE(back.UseMemory(window.data(), 40, 30));
  EXPECT_TRUE(back.UsesOutsideMemory());
  Surface ground = Filled(40, 30, 8);
  CopySurface(back, ground, 40, 30);
  EXPECT_EQ(window[7 * 40 + 9], ground.At(9, 7));
  EnlargeRect(RasterView{window.data(), 40, 30, 40}, back.View(), Rect{0, 0, 40, 30}, 1);
  EXPECT_EQ(window[29 * 40 + 39], ground.At(39, 29));

  // Copies share the outside memory rather than owning a stale pointer.
  Surface copy = back;
  EXPECT_EQ(copy.Pixels(), window.data());
  Surface moved = std::move(copy);
  EXPECT_EQ(moved.Pixels(), window.data());
  EXPECT_TRUE(copy.Empty());

  Surface owned = Filled(4, 4, 2);
  Surface ownedCopy = owned;
  EXPECT_NE(ownedCopy.Pixels(), owned.Pixels());
  EXPECT_EQ(ownedCopy.At(3, 3), owned.At(3, 3));
  EXPECT_FALSE(back.UseMemory(nullptr, 4, 4));
  EXPECT_TRUE(back.Empty());
}

}  // namespace
}  // namespace glimmerkin
