#include "tools/artgen/artwork.h"

#include <algorithm>
#include <array>
#include <functional>

#include "tools/artgen/caption.h"
#include "tools/artgen/figures.h"
#include "tools/artgen/ground.h"
#include "tools/artgen/paint.h"

namespace glimmerkin::artgen {
namespace {

constexpr double kQuarter = 1.57079632679489661923;

class SheetBuilder {
 public:
  SheetBuilder() {
    palette_.Add(kKeyGrey);  // index 0: everything not drawn
    materials_ = MakeMaterials(palette_);
    pixels_.assign(static_cast<size_t>(kSheetWidth * kSheetHeight), 0);
    mask_.assign(pixels_.size(), 0);
  }

  Palette& palette() { return palette_; }
  const Materials& materials() const { return materials_; }

  // Draws one cell's figure in its own canvas, tidies it, stands it on the
  // cell's bottom edge when asked, and copies its opaque pixels in.
  void Cell(int x, int y, int w, int h, bool stand, const std::function<void(Canvas&)>& draw,
            bool finish = true) {
    Canvas c(w, h);
    draw(c);
    if (finish) c.Finish(palette_);
    if (stand) c.Settle();
    for (int v = 0; v < h; ++v) {
      for (int u = 0; u < w; ++u) {
        if (!c.Opaque(u, v)) continue;
        const size_t i = static_cast<size_t>(y + v) * kSheetWidth + (x + u);
        pixels_[i] = c.At(u, v);
        mask_[i] = 1;
      }
    }
  }

  void Take(Artwork& art) {
    art.sheet.width = kSheetWidth;
    art.sheet.height = kSheetHeight;
    art.sheet.palette = palette_.Colours();
    art.sheet.palette.resize(256, Rgb{});
    art.sheet.pixels = std::move(pixels_);
    art.sheetMask = std::move(mask_);
  }

 private:
  Palette palette_;
  Materials materials_;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> mask_;
};

void DrawSheet(SheetBuilder& b) {
  const Materials& m = b.materials();
  // Adult walkers: row 0 faces right, row 1 is the same drawn facing left.
  for (int row = 0; row < 2; ++row) {
    const Xform xf = row == 0 ? Xform{} : Xform::MirrorX(70);
    for (int f = 0; f < 5; ++f) {
      const WalkPose p = WalkFrame(f, 6.5, 3.0);
      b.Cell(70 * f, 70 * row, 70, 70, true,
             [&](Canvas& c) { DrawKind0Side(c, m, xf, p, Look{}); });
      b.Cell(420 + 70 * f, 70 * row, 70, 70, true,
             [&](Canvas& c) { DrawKind1Side(c, m, xf, p, Look{}); });
    }
    b.Cell(350, 70 * row, 70, 70, true, [&](Canvas& c) { DrawKind0Front(c, m, xf); });
    b.Cell(770, 70 * row, 70, 70, true, [&](Canvas& c) { DrawKind1Front(c, m, xf); });
    // The kind-1 walker blushing, eyes half shut.
    Look blushing;
    blushing.eyes = Eyes::kHalf;
    blushing.blush = true;
    b.Cell(70 * row, 420, 70, 70, true,
           [&](Canvas& c) { DrawKind1Side(c, m, xf, Standing(), blushing); });
  }
  // Embrace: plain pose in rows 0 and 1, its mirror image in rows 2 and 3.
  for (int pose = 0; pose < 2; ++pose) {
    const Xform world = pose == 0 ? Xform{} : Xform::MirrorX(120);
    for (int frame = 0; frame < 12; ++frame) {
      const int row = 2 * pose + frame / 6, col = frame % 6;
      b.Cell(120 * col, 140 + 70 * row, 120, 70, true,
             [&](Canvas& c) { DrawEmbrace(c, b.palette(), m, world, frame); });
    }
  }
  // The mound shrinking away.
  constexpr std::array<std::array<double, 2>, 6> kMounds{
      {{100, 31}, {86, 27}, {70, 22}, {54, 17}, {38, 12.5}, {22, 8}}};
  for (int i = 0; i < 6; ++i) {
    const int x = i < 5 ? 720 : 600, y = i < 5 ? 140 + 70 * i : 420;
    b.Cell(x, y, 120, 70, true, [&](Canvas& c) {
      DrawMound(c, m, Xform{}, 60, 70, kMounds[i][0], kMounds[i][1]);
    });
  }
  // Babies.
  for (int row = 0; row < 2; ++row) {
    const Xform xf = row == 0 ? Xform{} : Xform::MirrorX(32);
    const int y = 420 + 32 * row;
    for (int f = 0; f < 5; ++f) {
      const WalkPose p = WalkFrame(f, 3.0, 1.6);
      b.Cell(140 + 32 * f, y, 32, 32, true, [&](Canvas& c) { DrawBaby0Side(c, m, xf, p); });
      b.Cell(140 + 32 * (5 + f), y, 32, 32, true,
             [&](Canvas& c) { DrawBaby1Side(c, m, xf, p); });
    }
    for (int k = 0; k < 4; ++k) {
      b.Cell(140 + 32 * (10 + k), y, 32, 32, true,
             [&](Canvas& c) { DrawBaby1Curl(c, m, xf, kQuarter * k); });
    }
  }
  b.Cell(140, 484, 32, 32, true, [&](Canvas& c) { DrawBaby1Front(c, m, Xform{}); });
  b.Cell(172, 484, 32, 32, true, [&](Canvas& c) { DrawBaby0Front(c, m, Xform{}); });
  for (int k = 0; k < 4; ++k) {
    b.Cell(140 + 32 * (3 + k), 484, 32, 32, true,
           [&](Canvas& c) { DrawBaby0Curl(c, m, Xform{}, kQuarter * k); });
    b.Cell(140 + 32 * (7 + k), 484, 32, 32, true,
           [&](Canvas& c) { DrawBaby0Curl(c, m, Xform::MirrorX(32), kQuarter * k); });
  }
  // Hearts, growing with their index.
  constexpr double kHeartWidths[6] = {6, 8, 10, 11.5, 13, 15};
  for (int i = 0; i < 6; ++i) {
    b.Cell(16 * (i % 3), 490 + 16 * (i / 3), 16, 16, false,
           [&](Canvas& c) { DrawHeart(c, m, Xform{}, 8, 8.6, kHeartWidths[i]); });
  }
  // The shadow: flat, in the lower part, clear of the cell's last column.
  b.Cell(210, 490, 27, 32, false, [&](Canvas& c) {
    Style s;
    s.tones = m.shadowGrey;
    s.shade = false;
    s.outline = false;
    c.Fill({Ellipse(13, 27.5, 12, 3.6)}, Xform{}, s);
  });
  b.Cell(493, 490, 345, 32, false, [&](Canvas& c) { DrawCaption(c, b.palette()); }, false);
}

// The icon: the kind-0 walker in profile, reduced to sixteen colours.
void DrawIcon(SheetBuilder& b, Artwork& art) {
  Canvas c(kIconSize, kIconSize);
  const Xform xf =
      Xform::Translate(-36, -44).Then(Xform::Scale(0.6, 0.6, 0, 0)).Then(Xform::Translate(16, 17));
  DrawKind0Side(c, b.materials(), xf, WalkFrame(0, 6.5, 3.0), Look{});
  c.Finish(b.palette());
  c.Settle();
  const auto& colours = b.palette().Colours();
  std::vector<int> uses(colours.size(), 0);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      if (c.Opaque(x, y)) ++uses[c.At(x, y)];
    }
  }
  std::vector<size_t> order(colours.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t z) { return uses[a] > uses[z]; });
  // Entry 0 stays black: the transparent pixels of an icon are black in its
  // colour bitmap.
  std::vector<Rgb> chosen{Rgb{0, 0, 0}};
  for (size_t i : order) {
    if (chosen.size() == 16 || uses[i] == 0) break;
    chosen.push_back(colours[i]);
  }
  chosen.resize(16, Rgb{});
  auto nearest = [&](Rgb c0) {
    int best = 1;
    long bestD = -1;
    for (int i = 1; i < 16; ++i) {
      const long dr = c0.r - chosen[i].r, dg = c0.g - chosen[i].g, db = c0.b - chosen[i].b;
      const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
      if (bestD < 0 || d < bestD) { bestD = d; best = i; }
    }
    return static_cast<uint8_t>(best);
  };
  art.icon.width = art.icon.height = kIconSize;
  art.icon.palette = chosen;
  art.icon.pixels.assign(kIconSize * kIconSize, 0);
  art.iconMask.assign(kIconSize * kIconSize, 0);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      if (!c.Opaque(x, y)) continue;
      art.icon.pixels[y * kIconSize + x] = nearest(colours[c.At(x, y)]);
      art.iconMask[y * kIconSize + x] = 1;
    }
  }
}

// The app icon at one size: the .ico's walker, drawn at that size up to
// 48 pixels (so that 16 and 24 stay readable); larger sizes are the
// 32-pixel drawing enlarged by whole pixels, crisp like the sprites.
AppIcon DrawAppIcon(SheetBuilder& b, int32_t size) {
  const int32_t drawn = size <= 48 ? size : kIconSize;
  const int32_t zoom = size / drawn;
  // Drawn on a canvas twice as large, so that nothing is cut before the
  // figure is centred.
  const int32_t room = drawn * 2;
  Canvas c(room, room);
  const double k = 0.54 * drawn / kIconSize;
  const Xform xf = Xform::Translate(-36, -44)
                       .Then(Xform::Scale(k, k, 0, 0))
                       .Then(Xform::Translate(drawn, drawn));
  DrawKind0Side(c, b.materials(), xf, WalkFrame(0, 6.5, 3.0), Look{});
  c.Finish(b.palette());
  int32_t left = room, right = -1, top = room, bottom = -1;
  for (int32_t y = 0; y < room; ++y)
    for (int32_t x = 0; x < room; ++x)
      if (c.Opaque(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  // Where the drawn square starts on the canvas: the figure in its middle.
  const int32_t dx = right < 0 ? 0 : (left + right + 1 - drawn) / 2;
  const int32_t dy = bottom < 0 ? 0 : (top + bottom + 1 - drawn) / 2;
  const auto& colours = b.palette().Colours();
  AppIcon icon;
  icon.size = size;
  icon.rgba.assign(static_cast<size_t>(size) * size * 4, 0);
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x) {
      const int32_t sx = x / zoom + dx, sy = y / zoom + dy;
      if (sx < 0 || sy < 0 || sx >= room || sy >= room || !c.Opaque(sx, sy)) continue;
      const Rgb rgb = colours[c.At(sx, sy)];
      uint8_t* p = &icon.rgba[(static_cast<size_t>(y) * size + x) * 4];
      p[0] = rgb.r;
      p[1] = rgb.g;
      p[2] = rgb.b;
      p[3] = 255;
    }
  return icon;
}

}  // namespace

Artwork GenerateArtwork() {
  Artwork art;
  SheetBuilder b;
  DrawSheet(b);
  DrawIcon(b, art);
  for (int32_t size : kAppIconSizes) art.appIcons.push_back(DrawAppIcon(b, size));
  b.Take(art);
  art.ground = MakeGround();
  return art;
}

}  // namespace glimmerkin::artgen
