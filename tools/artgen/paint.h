#pragma once
// Coverage painting for the artwork generator: shapes are tested at 4x4
// sub-pixels per pixel, a pixel belongs to a shape when at least half of
// them are inside, and only then is it coloured. Nothing is ever blended,
// so an edge pixel is either wholly the figure or wholly the key grey.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/artgen/artwork.h"

namespace glimmerkin::artgen {


// Exact, libm-free trigonometry so that every build draws the same pixels.
double Sin(double radians);
double Cos(double radians);
double Deg(double degrees);  // degrees to radians

// Affine map from a figure's own coordinates to a canvas: (a x + b y + tx, c x + d y + ty).
struct Xform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static Xform Translate(double dx, double dy);
  static Xform Scale(double sx, double sy, double px, double py);
  static Xform Rotate(double radians, double px, double py);
  static Xform MirrorX(double width);  // x -> width - x
  Xform Then(const Xform& outer) const;  // outer applied after this
  Xform Inverse() const;
  void Apply(double x, double y, double& ox, double& oy) const;
};

// One primitive of a shape, in figure coordinates.
struct Prim {
  enum class Type { kEllipse, kCapsule, kPolygon };
  Type type = Type::kEllipse;
  // Ellipse: centre, radii, rotation; optional clip to clipY0 <= y <= clipY1.
  double cx = 0, cy = 0, rx = 0, ry = 0;
  double ca = 1, sa = 0;  // cosine and sine of minus the rotation
  double clipY0 = -1e9, clipY1 = 1e9;
  // Capsule: segment (ax, ay)-(bx, by) with radius ra at a tapering to rb at b.
  double ax = 0, ay = 0, bx = 0, by = 0, ra = 0, rb = 0;
  std::vector<double> points;  // polygon x0, y0, x1, y1, ...

  bool Contains(double x, double y) const;
  void Bounds(double& x0, double& y0, double& x1, double& y1) const;
};

Prim Ellipse(double cx, double cy, double rx, double ry, double angle = 0);
Prim Circle(double cx, double cy, double r);
// Ellipse whose second radius runs along the direction (dx, dy).
Prim EllipseAlong(double cx, double cy, double across, double along, double dx, double dy);
Prim ClipY(Prim p, double y0, double y1);
Prim Capsule(double ax, double ay, double bx, double by, double ra, double rb);
Prim Polygon(std::vector<double> points);

using Shape = std::vector<Prim>;  // union of primitives

// Palette indices of one material: outline, shadow, base and highlight.
struct Tones {
  uint8_t outline = 0;
  uint8_t shadow = 0;
  uint8_t base = 0;
  uint8_t light = 0;
};

struct Style {
  Tones tones;
  bool outline = true;   // edge pixels of the shape take the outline tone
  bool shade = true;     // shadow crescent lower right, highlight upper left
  double shadowDepth = 2.2;
  double lightInset = 1.2;
  double lightWidth = 1.6;
  // Optional: pick the material by canvas position (for merged bodies).
  std::function<Tones(double x, double y)> tonesAt;
};

// Global palette with the knowledge of which tone outlines which.
class Palette {
 public:
  uint8_t Add(Rgb colour);  // dedupes; aborts past 256 entries
  Tones Material(Rgb outline, Rgb shadow, Rgb base, Rgb light);
  uint8_t OutlineOf(uint8_t index) const { return outlineOf_[index]; }
  void SetOutlineOf(uint8_t index, uint8_t outline) { outlineOf_[index] = outline; }
  const std::vector<Rgb>& Colours() const { return colours_; }

 private:
  std::vector<Rgb> colours_;
  std::array<uint8_t, 256> outlineOf_{};
};

class Canvas {
 public:
  Canvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Opaque(int x, int y) const;
  uint8_t At(int x, int y) const;
  void Set(int x, int y, uint8_t index);
  void Clear(int x, int y);

  // Paints a shape through the map: coverage first, then outline and tones.
  void Fill(const Shape& shape, const Xform& xf, const Style& style);
  // Sets the pixel whose area contains the mapped figure point.
  void Dot(const Xform& xf, double x, double y, uint8_t index);
  // Sets the pixel only where the canvas is already opaque.
  void DotOnFigure(const Xform& xf, double x, double y, uint8_t index);

  // Drops stray pixels that touch nothing, fills one-pixel holes, and makes
  // every pixel on the silhouette its material's outline tone.
  void Finish(const Palette& palette);
  // Moves the figure down so its lowest opaque row is the canvas's last row.
  void Settle();
  int LowestOpaqueRow() const;

 private:
  int width_;
  int height_;
  std::vector<uint8_t> index_;
  std::vector<uint8_t> opaque_;
};

}  // namespace glimmerkin::artgen
