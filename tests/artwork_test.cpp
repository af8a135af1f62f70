#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/artgen/artwork.h"

namespace glimmerkin::artgen {
namespace {

constexpr Rgb kGrey{96, 96, 96};

// The sheet's cells, written out here independently of the generator.
struct Cell {
  int x, y, w, h;
  bool stands;  // the figure's lowest row is the cell's bottom row
  const char* what;
};

std::vector<Cell> Cells() {
  std::vector<Cell> cells;
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 12; ++col) cells.push_back({70 * col, 70 * row, 70, 70, true, "walker"});
  }
  cells.push_back({0, 420, 70, 70, true, "blushing right"});
  cells.push_back({70, 420, 70, 70, true, "blushing left"});
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 6; ++col) cells.push_back({120 * col, 140 + 70 * row, 120, 70, true, "embrace"});
  }
  for (int row = 0; row < 5; ++row) cells.push_back({720, 140 + 70 * row, 120, 70, true, "mound"});
  cells.push_back({600, 420, 120, 70, true, "mound"});
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 14; ++col) cells.push_back({140 + 32 * col, 420 + 32 * row, 32, 32, true, "baby"});
  }
  for (int col : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10}) cells.push_back({140 + 32 * col, 484, 32, 32, true, "baby row 2"});
  for (int i = 0; i < 6; ++i) cells.push_back({16 * (i % 3), 490 + 16 * (i / 3), 16, 16, false, "heart"});
  cells.push_back({210, 490, 27, 32, false, "shadow"});
  cells.push_back({493, 490, 345, 32, false, "caption"});
  return cells;
}

const Artwork& Art() {
  static const Artwork art = GenerateArtwork();
  return art;
}

bool Opaque(int x, int y) { return Art().sheetMask[static_cast<size_t>(y) * kSheetWidth + x] != 0; }

int OpaqueCount(int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) n += Opaque(x, y);
  }
  return n;
}

std::vector<uint8_t> ReadResource(const std::string& name) {
  std::ifstream in(std::string(GLIMMERKIN_RESOURCE_DIR) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(Artwork, CommittedFilesMatchTheGenerator) {
  for (const EncodedFile& file : EncodeAll(Art())) {
    const std::vector<uint8_t> committed = ReadResource(file.name);
    ASSERT_FALSE(committed.empty()) << file.name << " missing from resources/";
    EXPECT_TRUE(committed == file.bytes)
        << file.name << " differs from the generator's output; rerun glimmerkin-artgen";
  }
}

TEST(Artwork, SizesAndFormats) {
  EXPECT_EQ(Art().sheet.width, 840);
  EXPECT_EQ(Art().sheet.height, 522);
  EXPECT_EQ(Art().sheet.palette.size(), 256u);
  EXPECT_EQ(Art().sheetMask.size(), 840u * 522u);
  EXPECT_EQ(Art().ground.width, 640);
  EXPECT_EQ(Art().ground.height, 480);
  EXPECT_EQ(Art().ground.palette.size(), 256u);
  EXPECT_EQ(Art().icon.palette.size(), 16u);
  for (uint8_t p : Art().icon.pixels) EXPECT_LT(p, 16);

  const std::vector<uint8_t> sheet = EncodeBmp8(Art().sheet);
  ASSERT_EQ(sheet.size(), 14u + 40u + 1024u + 840u * 522u);
  EXPECT_EQ(sheet[0], 'B');
  EXPECT_EQ(sheet[28], 8);  // bits per pixel
  const std::vector<uint8_t> mask = EncodeBmp1(840, 522, Art().sheetMask);
  ASSERT_EQ(mask.size(), 14u + 40u + 8u + 108u * 522u);  // 105-byte rows padded to 108
  EXPECT_EQ(mask[28], 1);
  // Palette: 0 black, 1 white.
  EXPECT_EQ(mask[54], 0);
  EXPECT_EQ(mask[58], 255);
  EXPECT_EQ(mask[59], 255);
  EXPECT_EQ(mask[60], 255);
}

TEST(Artwork, IconAndCursorFiles) {
  const std::vector<uint8_t> ico = EncodeIcon(Art().icon, Art().iconMask);
  ASSERT_EQ(ico.size(), 6u + 16u + 40u + 64u + 512u + 128u);
  EXPECT_EQ(ico[2], 1);    // icon
  EXPECT_EQ(ico[4], 1);    // one image
  EXPECT_EQ(ico[6], 32);   // width
  EXPECT_EQ(ico[8], 16);   // colours
  EXPECT_EQ(ico[12], 4);   // bits per pixel
  EXPECT_EQ(ico[22 + 8], 64);  // height counts colour bitmap and mask
  int opaque = 0;
  for (uint8_t m : Art().iconMask) opaque += m;
  EXPECT_GT(opaque, 200);  // a figure, not a speck
  EXPECT_LT(opaque, 32 * 32 * 3 / 4);

  const std::vector<uint8_t> cur = EncodeBlankCursor();
  ASSERT_EQ(cur.size(), 6u + 16u + 40u + 8u + 128u + 128u);
  EXPECT_EQ(cur[2], 2);  // cursor
  EXPECT_EQ(cur[10], 0);  // hot spot
  EXPECT_EQ(cur[12], 0);
  for (size_t i = 70; i < 70 + 128; ++i) ASSERT_EQ(cur[i], 0x00) << "XOR byte " << i;
  for (size_t i = 198; i < cur.size(); ++i) ASSERT_EQ(cur[i], 0xFF) << "AND byte " << i;
}

// Every app icon is the figure, whole (clear of the square's edge), hard
// edged, and at 16 pixels still has the white glint of its eye.
TEST(Artwork, AppIconsAtEverySize) {
  ASSERT_EQ(Art().appIcons.size(), std::size(kAppIconSizes));
  for (size_t i = 0; i < Art().appIcons.size(); ++i) {
    const AppIcon& icon = Art().appIcons[i];
    ASSERT_EQ(icon.size, kAppIconSizes[i]);
    ASSERT_EQ(icon.rgba.size(), static_cast<size_t>(icon.size) * icon.size * 4);
    int opaque = 0, glint = 0;
    for (int32_t y = 0; y < icon.size; ++y)
      for (int32_t x = 0; x < icon.size; ++x) {
        const uint8_t* p = &icon.rgba[(static_cast<size_t>(y) * icon.size + x) * 4];
        ASSERT_TRUE(p[3] == 0 || p[3] == 255) << icon.size << " at " << x << "," << y;
        if (p[3] == 0) continue;
        ++opaque;
        if (p[0] >= 250 && p[1] >= 250 && p[2] >= 250) ++glint;
        const bool edge = x == 0 || y == 0 || x == icon.size - 1 || y == icon.size - 1;
        EXPECT_FALSE(edge) << icon.size << ": the figure touches the edge at " << x << "," << y;
      }
    EXPECT_GT(opaque, icon.size * icon.size / 4) << icon.size;
    EXPECT_GT(glint, 0) << icon.size << ": the eye has no glint";
  }
  const std::vector<uint8_t> png = EncodePngRgba(2, 1, {1, 2, 3, 255, 4, 5, 6, 0});
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
}

TEST(Artwork, NothingOpaqueOutsideTheCells) {
  std::vector<uint8_t> covered(static_cast<size_t>(kSheetWidth * kSheetHeight), 0);
  for (const Cell& c : Cells()) {
    ASSERT_LE(c.x + c.w, kSheetWidth);
    ASSERT_LE(c.y + c.h, kSheetHeight);
    for (int y = c.y; y < c.y + c.h; ++y) {
      for (int x = c.x; x < c.x + c.w; ++x) covered[static_cast<size_t>(y) * kSheetWidth + x] = 1;
    }
  }
  for (int y = 0; y < kSheetHeight; ++y) {
    for (int x = 0; x < kSheetWidth; ++x) {
      if (!covered[static_cast<size_t>(y) * kSheetWidth + x]) {
        ASSERT_FALSE(Opaque(x, y)) << x << "," << y;
      }
    }
  }
}

TEST(Artwork, KeyGreyExactlyWhereTransparent) {
  for (int y = 0; y < kSheetHeight; ++y) {
    for (int x = 0; x < kSheetWidth; ++x) {
      const bool grey = Art().sheet.ColourAt(x, y) == kGrey;
      ASSERT_NE(grey, Opaque(x, y)) << x << "," << y;
    }
  }
}

TEST(Artwork, EveryCellHoldsAFigureStandingOnItsBottom) {
  for (const Cell& c : Cells()) {
    EXPECT_GT(OpaqueCount(c.x, c.y, c.w, c.h), 20) << c.what << " at " << c.x << "," << c.y;
    if (c.stands) {
      EXPECT_GT(OpaqueCount(c.x, c.y + c.h - 1, c.w, 1), 0)
          << c.what << " at " << c.x << "," << c.y << " floats";
    }
  }
}

TEST(Artwork, FiguresHaveDarkOutlines) {
  // Every silhouette pixel is darker than the figure it bounds would be: no
  // light edge pixel can turn into a halo on the ground. The caption's rim is
  // light on purpose and is left out.
  for (int y = 0; y < kSheetHeight; ++y) {
    for (int x = 0; x < kSheetWidth; ++x) {
      if (!Opaque(x, y) || (y >= 490 && x >= 493)) continue;
      const bool edge = x == 0 || y == 0 || x == kSheetWidth - 1 || y == kSheetHeight - 1 ||
                        !Opaque(x - 1, y) || !Opaque(x + 1, y) || !Opaque(x, y - 1) ||
                        !Opaque(x, y + 1);
      if (!edge) continue;
      const Rgb c = Art().sheet.ColourAt(x, y);
      ASSERT_LT(c.r + c.g + c.b, 3 * 140) << x << "," << y;
    }
  }
}

TEST(Artwork, CaptionStaysInItsBox) {
  const int x0 = 493, y0 = 490;
  for (int v = 0; v < 32; ++v) {
    for (int u = 0; u < 345; ++u) {
      const bool inside = u >= 4 && u <= 306 && v >= 3 && v <= 30;
      if (!inside) {
        ASSERT_FALSE(Opaque(x0 + u, y0 + v)) << u << "," << v;
      }
    }
  }
  EXPECT_EQ(OpaqueCount(x0 + 325, y0, 20, 32), 0);
  // The letters are about 20 to 24 pixels tall.
  int top = 32, bottom = -1;
  for (int v = 0; v < 32; ++v) {
    if (OpaqueCount(x0, y0 + v, 345, 1) > 0) {
      top = std::min(top, v);
      bottom = v;
    }
  }
  EXPECT_GE(bottom - top + 1, 20);
  EXPECT_LE(bottom - top + 1, 26);
}

TEST(Artwork, SharedColumnOfShadowAndTumbleIsClear) {
  for (int y = 484; y < 522; ++y) EXPECT_FALSE(Opaque(236, y)) << y;
  // The shadow lies in the lower part of its cell.
  EXPECT_EQ(OpaqueCount(210, 490, 27, 16), 0);
  EXPECT_GT(OpaqueCount(210, 506, 27, 16), 40);
}

TEST(Artwork, HeartsGrowAndMoundsShrink) {
  int previous = 0;
  for (int i = 0; i < 6; ++i) {
    const int n = OpaqueCount(16 * (i % 3), 490 + 16 * (i / 3), 16, 16);
    EXPECT_GT(n, previous) << "heart " << i;
    previous = n;
  }
  previous = 120 * 70;
  for (int i = 0; i < 6; ++i) {
    const int n = i < 5 ? OpaqueCount(720, 140 + 70 * i, 120, 70) : OpaqueCount(600, 420, 120, 70);
    EXPECT_LT(n, previous) << "mound " << i;
    previous = n;
  }
}

TEST(Artwork, WalkFramesDiffer) {
  // A walk cycle whose frames coincide would not walk.
  auto same = [](int ax, int ay, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (Opaque(ax + x, ay + y) != Opaque(bx + x, by + y)) return false;
      }
    }
    return true;
  };
  for (int row = 0; row < 2; ++row) {
    for (int a = 0; a < 5; ++a) {
      for (int b = a + 1; b < 5; ++b) {
        EXPECT_FALSE(same(70 * a, 70 * row, 70 * b, 70 * row, 70, 70)) << "kind 0 " << a << b;
        EXPECT_FALSE(same(420 + 70 * a, 70 * row, 420 + 70 * b, 70 * row, 70, 70)) << "kind 1 " << a << b;
        EXPECT_FALSE(same(140 + 32 * a, 420 + 32 * row, 140 + 32 * b, 420 + 32 * row, 32, 32));
      }
    }
  }
}

TEST(Artwork, LeftFacingCellsMirrorTheRightFacingOnes) {
  // Row 1 is row 0 turned round; the embrace's second pose mirrors the first.
  auto mirrored = [](int ax, int ay, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (Opaque(ax + x, ay + y) != Opaque(bx + w - 1 - x, by + y)) return false;
      }
    }
    return true;
  };
  for (int col = 0; col < 12; ++col) EXPECT_TRUE(mirrored(70 * col, 0, 70 * col, 70, 70, 70)) << col;
  for (int col = 0; col < 14; ++col) EXPECT_TRUE(mirrored(140 + 32 * col, 420, 140 + 32 * col, 452, 32, 32)) << col;
  for (int f = 0; f < 12; ++f) {
    const int col = f % 6, row = f / 6;
    EXPECT_TRUE(mirrored(120 * col, 140 + 70 * row, 120 * col, 280 + 70 * row, 120, 70)) << f;
  }
}

TEST(Artwork, GroundTilesWithoutASeam) {
  const IndexedImage& g = Art().ground;
  auto value = [&](int x, int y) { return static_cast<int>(g.ColourAt(x, y).g); };
  // Across the wrap the step between neighbours is no bigger than inside.
  long inner = 0, across = 0;
  for (int y = 0; y < g.height; ++y) {
    inner += std::abs(value(320, y) - value(319, y));
    across += std::abs(value(0, y) - value(g.width - 1, y));
  }
  EXPECT_LT(across, inner * 2 + 100);
  long innerV = 0, acrossV = 0;
  for (int x = 0; x < g.width; ++x) {
    innerV += std::abs(value(x, 240) - value(x, 239));
    acrossV += std::abs(value(x, 0) - value(x, g.height - 1));
  }
  EXPECT_LT(acrossV, innerV * 2 + 100);
  // Low contrast: the figures, not the ground, catch the eye.
  int lo = 255, hi = 0;
  long sum = 0;
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      lo = std::min(lo, value(x, y));
      hi = std::max(hi, value(x, y));
      sum += value(x, y);
    }
  }
  const long mean = sum / (g.width * g.height);
  EXPECT_GT(mean, 100);
  EXPECT_LT(mean, 135);
  EXPECT_LT(hi - lo, 70);
  EXPECT_GT(hi - lo, 8);  // not a flat fill either
}

}  // namespace
}  // namespace glimmerkin::artgen
