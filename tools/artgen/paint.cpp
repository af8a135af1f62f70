#include "tools/artgen/paint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace glimmerkin::artgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2;

// Both series converge to well under a pixel's worth of error on |r| <= pi/4;
// only basic arithmetic is used, which IEEE makes the same everywhere.
double SinPoly(double r) {
  const double r2 = r * r;
  double term = r;
  double sum = r;
  for (int n = 1; n <= 8; ++n) {
    term = -term * r2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double CosPoly(double r) {
  const double r2 = r * r;
  double term = 1;
  double sum = 1;
  for (int n = 1; n <= 8; ++n) {
    term = -term * r2 / static_cast<double>((2 * n - 1) * (2 * n));
    sum += term;
  }
  return sum;
}

}  // namespace

double Sin(double x) {
  const double k = std::nearbyint(x / kHalfPi);
  const double r = x - k * kHalfPi;
  switch (static_cast<int64_t>(k) & 3) {
    case 0: return SinPoly(r);
    case 1: return CosPoly(r);
    case 2: return -SinPoly(r);
    default: return -CosPoly(r);
  }
}

double Cos(double x) { return Sin(x + kHalfPi); }
double Deg(double degrees) { return degrees * kPi / 180.0; }

Xform Xform::Translate(double dx, double dy) { return Xform{1, 0, 0, 1, dx, dy}; }

Xform Xform::Scale(double sx, double sy, double px, double py) {
  return Xform{sx, 0, 0, sy, px - sx * px, py - sy * py};
}

Xform Xform::Rotate(double radians, double px, double py) {
  const double c = Cos(radians);
  const double s = Sin(radians);
  // y grows downwards, so a positive angle turns clockwise on screen.
  return Xform{c, -s, s, c, px - c * px + s * py, py - s * px - c * py};
}

Xform Xform::MirrorX(double width) { return Xform{-1, 0, 0, 1, width, 0}; }

Xform Xform::Then(const Xform& o) const {
  return Xform{o.a * a + o.b * c,         o.a * b + o.b * d,
               o.c * a + o.d * c,         o.c * b + o.d * d,
               o.a * tx + o.b * ty + o.tx, o.c * tx + o.d * ty + o.ty};
}

Xform Xform::Inverse() const {
  const double det = a * d - b * c;
  const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
  return Xform{ia, ib, ic, id, -(ia * tx + ib * ty), -(ic * tx + id * ty)};
}

void Xform::Apply(double x, double y, double& ox, double& oy) const {
  ox = a * x + b * y + tx;
  oy = c * x + d * y + ty;
}

bool Prim::Contains(double x, double y) const {
  switch (type) {
    case Type::kEllipse: {
      if (y < clipY0 || y > clipY1) return false;
      const double dx = x - cx, dy = y - cy;
      const double u = (ca * dx - sa * dy) / rx;
      const double v = (sa * dx + ca * dy) / ry;
      return u * u + v * v <= 1.0;
    }
    case Type::kCapsule: {
      const double vx = bx - ax, vy = by - ay;
      const double len2 = vx * vx + vy * vy;
      double t = len2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / len2 : 0;
      t = std::clamp(t, 0.0, 1.0);
      const double px = ax + t * vx - x, py = ay + t * vy - y;
      const double r = ra + (rb - ra) * t;
      return px * px + py * py <= r * r;
    }
    case Type::kPolygon: {
      bool in = false;
      const size_t n = points.size() / 2;
      for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double xi = points[2 * i], yi = points[2 * i + 1];
        const double xj = points[2 * j], yj = points[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
      }
      return in;
    }
  }
  return false;
}

void Prim::Bounds(double& x0, double& y0, double& x1, double& y1) const {
  switch (type) {
    case Type::kEllipse: {
      const double r = std::max(rx, ry);
      x0 = cx - r; x1 = cx + r; y0 = cy - r; y1 = cy + r;
      return;
    }
    case Type::kCapsule: {
      const double r = std::max(ra, rb);
      x0 = std::min(ax, bx) - r; x1 = std::max(ax, bx) + r;
      y0 = std::min(ay, by) - r; y1 = std::max(ay, by) + r;
      return;
    }
    case Type::kPolygon: {
      x0 = y0 = 1e9; x1 = y1 = -1e9;
      for (size_t i = 0; i + 1 < points.size(); i += 2) {
        x0 = std::min(x0, points[i]); x1 = std::max(x1, points[i]);
        y0 = std::min(y0, points[i + 1]); y1 = std::max(y1, points[i + 1]);
      }
      return;
    }
  }
}

Prim Ellipse(double cx, double cy, double rx, double ry, double angle) {
  Prim p;
  p.type = Prim::Type::kEllipse;
  p.cx = cx; p.cy = cy; p.rx = rx; p.ry = ry;
  p.ca = Cos(-angle); p.sa = Sin(-angle);
  return p;
}

Prim EllipseAlong(double cx, double cy, double across, double along, double dx, double dy) {
  Prim p = Ellipse(cx, cy, across, along);
  const double len = std::sqrt(dx * dx + dy * dy);
  p.ca = dy / len;
  p.sa = dx / len;
  return p;
}

Prim ClipY(Prim p, double y0, double y1) {
  p.clipY0 = y0;
  p.clipY1 = y1;
  return p;
}

Prim Circle(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }

Prim Capsule(double ax, double ay, double bx, double by, double ra, double rb) {
  Prim p;
  p.type = Prim::Type::kCapsule;
  p.ax = ax; p.ay = ay; p.bx = bx; p.by = by; p.ra = ra; p.rb = rb;
  return p;
}

Prim Polygon(std::vector<double> points) {
  Prim p;
  p.type = Prim::Type::kPolygon;
  p.points = std::move(points);
  return p;
}

uint8_t Palette::Add(Rgb colour) {
  for (size_t i = 0; i < colours_.size(); ++i) {
    if (colours_[i] == colour) return static_cast<uint8_t>(i);
  }
  if (colours_.size() >= 256) {
    std::fprintf(stderr, "artgen: palette full\n");
    std::abort();
  }
  colours_.push_back(colour);
  const auto index = static_cast<uint8_t>(colours_.size() - 1);
  outlineOf_[index] = index;
  return index;
}

Tones Palette::Material(Rgb outline, Rgb shadow, Rgb base, Rgb light) {
  Tones t{Add(outline), Add(shadow), Add(base), Add(light)};
  outlineOf_[t.shadow] = t.outline;
  outlineOf_[t.base] = t.outline;
  outlineOf_[t.light] = t.outline;
  return t;
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      index_(static_cast<size_t>(width * height), 0),
      opaque_(static_cast<size_t>(width * height), 0) {}

bool Canvas::Opaque(int x, int y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_ && opaque_[y * width_ + x] != 0;
}

uint8_t Canvas::At(int x, int y) const { return index_[y * width_ + x]; }

void Canvas::Set(int x, int y, uint8_t index) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  index_[y * width_ + x] = index;
  opaque_[y * width_ + x] = 1;
}

void Canvas::Clear(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  index_[y * width_ + x] = 0;
  opaque_[y * width_ + x] = 0;
}

void Canvas::Fill(const Shape& shape, const Xform& xf, const Style& style) {
  if (shape.empty()) return;
  const Xform inv = xf.Inverse();
  double bx0 = 1e9, by0 = 1e9, bx1 = -1e9, by1 = -1e9;
  for (const Prim& p : shape) {
    double x0, y0, x1, y1;
    p.Bounds(x0, y0, x1, y1);
    const double cx[4] = {x0, x1, x0, x1};
    const double cy[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) {
      double ox, oy;
      xf.Apply(cx[i], cy[i], ox, oy);
      bx0 = std::min(bx0, ox); bx1 = std::max(bx1, ox);
      by0 = std::min(by0, oy); by1 = std::max(by1, oy);
    }
  }
  const int x0 = std::max(0, static_cast<int>(std::floor(bx0)) - 1);
  const int y0 = std::max(0, static_cast<int>(std::floor(by0)) - 1);
  const int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(bx1)) + 1);
  const int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(by1)) + 1);
  if (x0 > x1 || y0 > y1) return;

  auto inside = [&](double px, double py) {
    double fx, fy;
    inv.Apply(px, py, fx, fy);
    for (const Prim& p : shape) {
      if (p.Contains(fx, fy)) return true;
    }
    return false;
  };

  const int w = x1 - x0 + 1, h = y1 - y0 + 1;
  std::vector<uint8_t> cov(static_cast<size_t>(w * h), 0);
  double sumX = 0, sumY = 0, area = 0;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      int count = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0)) ++count;
        }
      }
      if (count >= 8) {
        cov[(y - y0) * w + (x - x0)] = 1;
        sumX += x + 0.5; sumY += y + 0.5; area += 1;
      }
    }
  }
  if (area == 0) return;
  const double midX = sumX / area, midY = sumY / area;
  const double radius = std::sqrt(area / kPi);
  auto covered = [&](int x, int y) {
    if (x < x0 || y < y0 || x > x1 || y > y1) return false;
    return cov[(y - y0) * w + (x - x0)] != 0;
  };

  constexpr double u = 0.70710678118654752;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (!covered(x, y)) continue;
      const double px = x + 0.5, py = y + 0.5;
      const Tones t = style.tonesAt ? style.tonesAt(px, py) : style.tones;
      const bool edge = !covered(x - 1, y) || !covered(x + 1, y) || !covered(x, y - 1) ||
                        !covered(x, y + 1) || x == 0 || y == 0 || x == width_ - 1 ||
                        y == height_ - 1;
      uint8_t idx = t.base;
      if (style.outline && edge) {
        idx = t.outline;
      } else if (style.shade) {
        // Bigger shapes get broader shadow and highlight bands.
        const double sd = std::max(style.shadowDepth, 0.2 * radius);
        const double li = std::max(style.lightInset, 0.08 * radius);
        const double lw = std::max(style.lightWidth, 0.1 * radius);
        const bool upperLeft = ((midX - px) + (midY - py)) * u > 0.15 * radius;
        if (!inside(px + u * sd, py + u * sd)) {
          idx = t.shadow;
        } else if (upperLeft && inside(px - u * li, py - u * li) &&
                   !inside(px - u * (li + lw), py - u * (li + lw))) {
          idx = t.light;
        }
      }
      Set(x, y, idx);
    }
  }
}

void Canvas::Dot(const Xform& xf, double x, double y, uint8_t index) {
  double ox, oy;
  xf.Apply(x, y, ox, oy);
  Set(static_cast<int>(std::floor(ox)), static_cast<int>(std::floor(oy)), index);
}

void Canvas::DotOnFigure(const Xform& xf, double x, double y, uint8_t index) {
  double ox, oy;
  xf.Apply(x, y, ox, oy);
  const int px = static_cast<int>(std::floor(ox)), py = static_cast<int>(std::floor(oy));
  if (Opaque(px, py)) Set(px, py, index);
}

void Canvas::Finish(const Palette& palette) {
  // Stray pixels first: a lone pixel reads as dirt, not as part of a figure.
  std::vector<uint8_t> keep = opaque_;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (!Opaque(x, y)) continue;
      bool any = false;
      for (int dy = -1; dy <= 1 && !any; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if ((dx != 0 || dy != 0) && Opaque(x + dx, y + dy)) { any = true; break; }
        }
      }
      if (!any) keep[y * width_ + x] = 0;
    }
  }
  for (size_t i = 0; i < keep.size(); ++i) {
    if (!keep[i]) { opaque_[i] = 0; index_[i] = 0; }
  }
  // One-pixel holes would show the ground through the figure.
  for (int y = 1; y + 1 < height_; ++y) {
    for (int x = 1; x + 1 < width_; ++x) {
      if (Opaque(x, y)) continue;
      if (Opaque(x - 1, y) && Opaque(x + 1, y) && Opaque(x, y - 1) && Opaque(x, y + 1)) {
        Set(x, y, At(x - 1, y));
      }
    }
  }
  // The silhouette is always drawn in the outline tone of what it bounds.
  std::vector<uint8_t> next = index_;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (!Opaque(x, y)) continue;
      if (!Opaque(x - 1, y) || !Opaque(x + 1, y) || !Opaque(x, y - 1) || !Opaque(x, y + 1)) {
        next[y * width_ + x] = palette.OutlineOf(At(x, y));
      }
    }
  }
  index_ = std::move(next);
}

int Canvas::LowestOpaqueRow() const {
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      if (Opaque(x, y)) return y;
    }
  }
  return -1;
}

void Canvas::Settle() {
  const int low = LowestOpaqueRow();
  if (low < 0) return;
  const int shift = height_ - 1 - low;
  if (shift == 0) return;
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      const int from = y - shift;
      if (from >= 0 && opaque_[from * width_ + x]) {
        Set(x, y, index_[from * width_ + x]);
      } else {
        Clear(x, y);
      }
    }
  }
}

}  // namespace glimmerkin::artgen
