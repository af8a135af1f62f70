// The caption strip: "Glimmerkin" in bold round strokes, dark with a light
// rim so that it reads on any part of the ground.
#include "tools/artgen/caption.h"

#include <algorithm>
#include <cmath>

namespace glimmerkin::artgen {
namespace {

constexpr double kR = 2.5;                 // stroke radius
constexpr double kInkTop = 5.0;            // ascender ink
constexpr double kInkBottom = 27.0;        // baseline ink
constexpr double kXHeight = 15.0;
constexpr double kTop = kInkTop + kR;      // stroke centre lines
constexpr double kBase = kInkBottom - kR;
constexpr double kMid = kInkBottom - kXHeight + kR;
constexpr double kGap = 3.4;               // between ink boxes

// Elliptic arc from angle a0 to a1 (degrees, y down) as round strokes.
void Arc(Shape& s, double cx, double cy, double rx, double ry, double a0, double a1) {
  const int steps = std::max(2, static_cast<int>(std::fabs(a1 - a0) / 12.0));
  double px = cx + rx * Cos(Deg(a0)), py = cy + ry * Sin(Deg(a0));
  for (int i = 1; i <= steps; ++i) {
    const double a = a0 + (a1 - a0) * i / steps;
    const double x = cx + rx * Cos(Deg(a)), y = cy + ry * Sin(Deg(a));
    s.push_back(Capsule(px, py, x, y, kR, kR));
    px = x;
    py = y;
  }
}

void Line(Shape& s, double x0, double y0, double x1, double y1) {
  s.push_back(Capsule(x0, y0, x1, y1, kR, kR));
}

// Each glyph adds its strokes with its ink box starting at x and returns the
// ink width.
double GlyphG(Shape& s, double x) {
  const double rx = 8.4, ry = (kBase - kTop) / 2, cx = x + kR + rx, cy = (kTop + kBase) / 2;
  Arc(s, cx, cy, rx, ry, -42, -345);
  Line(s, cx + 1.5, cy + 1.8, cx + rx, cy + 1.8);
  Line(s, cx + rx, cy + 1.8, cx + rx, cy + ry * 0.62);
  return 2 * rx + 2 * kR;
}

double GlyphL(Shape& s, double x) {
  Line(s, x + kR, kTop, x + kR, kBase);
  return 2 * kR;
}

double GlyphI(Shape& s, double x) {
  Line(s, x + kR, kMid, x + kR, kBase);
  s.push_back(Circle(x + kR, kTop + 0.2, kR * 1.12));
  return 2 * kR;
}

double Arches(Shape& s, double x, int count, double width) {
  Line(s, x + kR, kMid - 0.3, x + kR, kBase);
  const double ry = 3.6, cy = kMid + ry - 0.2;
  for (int i = 0; i < count; ++i) {
    const double left = x + kR + i * width;
    Arc(s, left + width / 2, cy, width / 2, ry + 0.3, 180, 360);
    Line(s, left + width, cy, left + width, kBase);
  }
  return count * width + 2 * kR;
}

double GlyphM(Shape& s, double x) { return Arches(s, x, 2, 9.0); }
double GlyphN(Shape& s, double x) { return Arches(s, x, 1, 9.6); }

double GlyphE(Shape& s, double x) {
  // A touch taller than the x-height, with a thinner bar and a wide mouth,
  // so that the e stays open at this weight.
  const double rx = 7.0, ry = (kBase - kMid) / 2 + 0.4, cx = x + kR + rx;
  const double cy = (kMid + kBase) / 2;
  s.push_back(Capsule(cx - rx, cy + 0.2, cx + rx, cy + 0.2, 1.4, 1.4));
  Arc(s, cx, cy, rx, ry, 0, -290);
  return 2 * rx + 2 * kR;
}

double GlyphR(Shape& s, double x) {
  Line(s, x + kR, kMid - 0.3, x + kR, kBase);
  Arc(s, x + kR + 5.6, kMid + 4.0, 5.6, 4.2, 185, 292);
  return 5.6 + 2.6 + 2 * kR;
}

double GlyphK(Shape& s, double x) {
  Line(s, x + kR, kTop, x + kR, kBase);
  Line(s, x + kR + 8.4, kMid, x + kR + 1.0, kBase - 4.6);
  Line(s, x + kR + 3.6, kBase - 5.6, x + kR + 8.8, kBase);
  return 8.8 + 2 * kR;
}

}  // namespace

void DrawCaption(Canvas& strip, Palette& palette) {
  using Glyph = double (*)(Shape&, double);
  const Glyph word[] = {GlyphG, GlyphL, GlyphI, GlyphM, GlyphM,
                        GlyphE, GlyphR, GlyphK, GlyphI, GlyphN};
  // Lay the word out once to learn its width, then right-align it.
  double width = 0;
  {
    Shape scratch;
    for (Glyph g : word) width += g(scratch, 0) + kGap;
    width -= kGap;
  }
  const double right = 304.0;  // last ink column, leaving the rim inside 306
  double x = std::floor(right + 1 - width);
  Shape text;
  for (Glyph g : word) x += g(text, x) + kGap;

  const Tones ink = palette.Material({24, 16, 40}, {34, 24, 58}, {58, 44, 92}, {104, 88, 150});
  const uint8_t rim = palette.Add({238, 232, 216});
  Canvas dark(strip.Width(), strip.Height());
  Style st;
  st.tones = ink;
  st.outline = false;
  st.shadowDepth = 1.6;
  st.lightInset = 0.6;
  st.lightWidth = 1.4;
  dark.Fill(text, Xform{}, st);
  for (int y = 0; y < strip.Height(); ++y) {
    for (int xx = 0; xx < strip.Width(); ++xx) {
      if (dark.Opaque(xx, y)) {
        strip.Set(xx, y, dark.At(xx, y));
        continue;
      }
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (dark.Opaque(xx + dx, y + dy)) { near = true; break; }
        }
      }
      if (near) strip.Set(xx, y, rim);
    }
  }
}

}  // namespace glimmerkin::artgen
