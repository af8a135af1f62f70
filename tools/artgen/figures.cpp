#include "tools/artgen/figures.h"

#include <algorithm>
#include <cmath>

namespace glimmerkin::artgen {
namespace {

constexpr double kTau = 6.28318530717958647692;

Style Shaded(const Tones& t) {
  Style s;
  s.tones = t;
  return s;
}

Style Flat(const Tones& t, bool outline) {
  Style s;
  s.tones = t;
  s.shade = false;
  s.outline = outline;
  return s;
}

Style Solid(uint8_t index) {
  Style s;
  s.tones = Tones{index, index, index, index};
  s.shade = false;
  s.outline = false;
  return s;
}

// A glint sits up and to the left of the pupil on the canvas, whichever way
// the figure faces or turns: it mirrors the light, not the eye.
void Glint(Canvas& c, const Materials& m, const Xform& xf, double x, double y, double dx,
           double dy) {
  double ox, oy;
  xf.Apply(x, y, ox, oy);
  const int px = static_cast<int>(std::floor(ox + dx));
  const int py = static_cast<int>(std::floor(oy + dy));
  if (c.Opaque(px, py)) c.Set(px, py, m.glint);
}

void Smile(Canvas& c, const Materials& m, const Xform& xf, double x, double y, int half) {
  for (int i = -half; i <= half; ++i) {
    const double dy = (i == -half || i == half) ? 0 : 1;
    c.DotOnFigure(xf, x + i + 0.5, y + dy + 0.5, m.mouth);
  }
}

// A curved line through three points, as a chain of round strokes.
Shape Arc(double x0, double y0, double x1, double y1, double x2, double y2, double r) {
  Shape s;
  double px = x0, py = y0;
  for (int i = 1; i <= 6; ++i) {
    const double t = i / 6.0;
    const double a = (1 - t) * (1 - t), b = 2 * (1 - t) * t, d = t * t;
    const double x = a * x0 + b * x1 + d * x2, y = a * y0 + b * y1 + d * y2;
    s.push_back(Capsule(px, py, x, y, r, r));
    px = x;
    py = y;
  }
  return s;
}

void Leg(Canvas& c, const Tones& t, const Xform& xf, double hipX, double hipY, double footX,
         double lift, double ground, double legR, double footRx, double footRy) {
  const double fy = ground - footRy - lift;
  Shape s{Capsule(hipX, hipY, footX, fy - 1.0, legR, legR * 0.9),
          Ellipse(footX + footRx * 0.35, fy, footRx, footRy)};
  c.Fill(s, xf, Shaded(t));
}

}  // namespace

// A spike standing out of an ellipse's rim at parameter t, leaning back.
Prim Spike(double cx, double cy, double rx, double ry, double t, double length, double width,
           double leanBack) {
  const double bx = cx + rx * Cos(t), by = cy + ry * Sin(t);
  double nx = Cos(t) / rx, ny = Sin(t) / ry;
  const double len = std::sqrt(nx * nx + ny * ny);
  nx /= len;
  ny /= len;
  // Rotate the normal toward -x (backwards) by leanBack.
  const double c = Cos(-leanBack), s = Sin(-leanBack);
  const double dx = c * nx - s * ny, dy = s * nx + c * ny;
  return EllipseAlong(bx + dx * (length * 0.5 - 1.0), by + dy * (length * 0.5 - 1.0), width,
                      length * 0.5 + 1.0, dx, dy);
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto ch = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::lround(x + (y - x) * t));
  };
  return Rgb{ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

Materials MakeMaterials(Palette& p) {
  Materials m;
  m.outline = p.Add({38, 26, 40});
  m.cream = p.Material({86, 56, 40}, {216, 186, 140}, {246, 228, 186}, {255, 249, 228});
  m.creamFar = p.Material({86, 56, 40}, {190, 160, 118}, {222, 198, 154}, {236, 216, 176});
  m.orange = p.Material({116, 42, 14}, {214, 96, 28}, {248, 146, 42}, {255, 204, 110});
  m.eyeWhite = p.Material({44, 36, 52}, {196, 204, 220}, {250, 250, 246}, {255, 255, 255});
  m.iris = p.Material({20, 72, 32}, {40, 132, 52}, {72, 184, 72}, {150, 226, 120});
  m.pupil = p.Material({22, 18, 30}, {22, 18, 30}, {22, 18, 30}, {22, 18, 30});
  m.green = p.Material({24, 72, 34}, {60, 140, 58}, {100, 192, 78}, {172, 232, 130});
  m.greenFar = p.Material({24, 72, 34}, {48, 112, 48}, {78, 158, 64}, {110, 180, 86});
  m.pink = p.Material({118, 58, 82}, {216, 150, 170}, {246, 194, 206}, {255, 228, 234});
  m.pinkFar = p.Material({118, 58, 82}, {186, 124, 146}, {220, 166, 182}, {232, 190, 202});
  m.knob = p.Material({112, 74, 14}, {222, 164, 30}, {252, 212, 72}, {255, 246, 170});
  m.blush = p.Material({170, 40, 64}, {214, 70, 92}, {238, 98, 112}, {250, 150, 156});
  m.pale = p.Material({112, 92, 104}, {220, 204, 206}, {246, 236, 232}, {255, 252, 248});
  m.paleCream = p.Material({104, 80, 70}, {226, 204, 176}, {248, 234, 206}, {255, 250, 236});
  m.palePink = p.Material({118, 82, 100}, {224, 190, 200}, {248, 218, 224}, {255, 240, 242});
  m.paleGreen = p.Material({64, 96, 64}, {176, 206, 160}, {206, 232, 186}, {236, 248, 222});
  m.heart = p.Material({104, 14, 34}, {186, 26, 52}, {230, 50, 74}, {255, 140, 150});
  m.shadowGrey = p.Material({50, 50, 54}, {50, 50, 54}, {50, 50, 54}, {50, 50, 54});
  m.glint = p.Add({255, 255, 255});
  m.mouth = p.Add({92, 30, 44});
  return m;
}

WalkPose WalkFrame(int frame, double stride, double lift) {
  const double ph = frame * kTau / 5.0;
  const double c = Cos(ph), s = Sin(ph);
  WalkPose p;
  // A foot on the ground moves back under the advancing body; the other
  // swings forward in the air.
  p.footNear = stride * c;
  p.liftNear = s < 0 ? -s * lift : 0;
  p.footFar = -stride * c;
  p.liftFar = s > 0 ? s * lift : 0;
  p.bob = (1.0 - std::fabs(c)) * 2.0;
  p.arm = -p.footNear * 0.45;
  p.lag = Sin(ph - 1.3);
  return p;
}

WalkPose Standing() {
  WalkPose p;
  p.footNear = 2.5;
  p.footFar = -2.5;
  return p;
}

// ---------------------------------------------------------------- kind 0

namespace {
constexpr double kBodyX = 45;

void Kind0Eye(Canvas& c, const Materials& m, const Xform& xf, double ex, double ey, Eyes eyes,
              double look) {
  if (eyes == Eyes::kClosed) {
    c.Fill(Arc(ex - 5.5, ey + 1.5, ex, ey - 4.0, ex + 5.5, ey + 1.5, 1.0), xf,
           Solid(m.cream.outline));
    return;
  }
  c.Fill({Ellipse(ex, ey, 7.2, 8.2)}, xf, Shaded(m.eyeWhite));
  c.Fill({Circle(ex + 2.0 * look, ey + 1.0, 4.7)}, xf, Shaded(m.iris));
  c.Fill({Circle(ex + 3.0 * look, ey + 1.4, 2.3)}, xf, Solid(m.pupil.base));
  if (eyes == Eyes::kHalf) {
    c.Fill({ClipY(Ellipse(ex, ey, 7.2, 8.2), -1e9, ey - 0.5)}, xf, Shaded(m.cream));
  }
  Glint(c, m, xf, ex + 3.0 * look, ey + 1.4, -0.9, -1.1);
}
}  // namespace

void DrawKind0Arm(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p) {
  const double b = p.bob;
  // A short arm in front of the belly, its hand out past the body's edge.
  const double sx = kBodyX + 9, sy = 50 - b;
  const double hx = kBodyX + 15.5 + 0.6 * p.arm + p.armRaise * 4.0;
  const double hy = 55.5 - b - p.armRaise * 7.0;
  c.Fill({Capsule(sx, sy, hx, hy, 2.6, 2.8)}, xf, Shaded(m.cream));
}

void DrawKind0Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p,
                   const Look& look) {
  const double b = p.bob;
  const double bx = kBodyX, by = 45 - b;
  Leg(c, m.creamFar, xf, bx - 2, 57 - b, bx + p.footFar, p.liftFar, 70, 3.0, 4.6, 2.3);
  // Tail: a chain that swings with the walk, tipped with an orange tuft.
  {
    const double sway = Deg(6.0 * p.lag);
    const Xform tx = Xform::Rotate(sway, bx - 12, 53 - b).Then(xf);
    const double x0 = bx - 12, y0 = 53 - b;
    Shape tail{Capsule(x0, y0, bx - 21, 52 - b, 4.8, 3.7),
               Capsule(bx - 21, 52 - b, bx - 28, 47 - b, 3.7, 2.9),
               Capsule(bx - 28, 47 - b, bx - 31, 40 - b, 2.9, 2.4)};
    c.Fill(tail, tx, Shaded(m.cream));
    c.Fill({Ellipse(bx - 31.5, 36.5 - b, 3.0, 4.6, Deg(-15))}, tx, Shaded(m.orange));
  }
  // Crest along the top of the head, leaning back.
  {
    Style s = Shaded(m.orange);
    const double lean = Deg(28 + 4 * p.lag);
    c.Fill({Spike(bx, by, 15.5, 16, Deg(-140), 7.0, 2.8, lean)}, xf, s);
    c.Fill({Spike(bx, by, 15.5, 16, Deg(-113), 9.0, 3.1, lean)}, xf, s);
    c.Fill({Spike(bx, by, 15.5, 16, Deg(-86), 9.5, 3.2, lean)}, xf, s);
  }
  Leg(c, m.cream, xf, bx + 2, 57 - b, bx + p.footNear, p.liftNear, 70, 3.0, 4.6, 2.3);
  c.Fill({Ellipse(bx, by, 15.5, 16)}, xf, Shaded(m.cream));
  Kind0Eye(c, m, xf, bx + 8.0, 40 - b, look.eyes, 1.0);
  Smile(c, m, xf, bx + 9, 51 - b, 2);
  if (look.nearArm) DrawKind0Arm(c, m, xf, p);
}

void DrawKind0Front(Canvas& c, const Materials& m, const Xform& xf) {
  const double bx = kBodyX, by = 45;
  // Tail peeks out on one side, behind the body.
  Shape tail{Capsule(bx - 10, 53, bx - 19, 50, 4.5, 3.4),
             Capsule(bx - 19, 50, bx - 23, 42, 3.4, 2.6)};
  c.Fill(tail, xf, Shaded(m.cream));
  c.Fill({Ellipse(bx - 23.5, 38.0, 3.0, 4.6, Deg(-8))}, xf, Shaded(m.orange));
  Style s = Shaded(m.orange);
  c.Fill({Spike(bx, by, 16, 16, Deg(-122), 7.5, 2.9, Deg(0))}, xf, s);
  c.Fill({Spike(bx, by, 16, 16, Deg(-58), 7.5, 2.9, Deg(0))}, xf, s);
  c.Fill({Spike(bx, by, 16, 16, Deg(-90), 10.0, 3.3, Deg(0))}, xf, s);
  c.Fill({Capsule(bx - 12, 49, bx - 17.5, 55, 2.6, 2.7)}, xf, Shaded(m.cream));
  c.Fill({Capsule(bx + 12, 49, bx + 17.5, 55, 2.6, 2.7)}, xf, Shaded(m.cream));
  Leg(c, m.cream, xf, bx - 6, 57, bx - 9, 0, 70, 3.0, 4.2, 2.3);
  Leg(c, m.cream, xf, bx + 6, 57, bx + 7.5, 0, 70, 3.0, 4.2, 2.3);
  c.Fill({Ellipse(bx, by, 16, 16)}, xf, Shaded(m.cream));
  c.Fill({Ellipse(bx, 40, 7.8, 8.6)}, xf, Shaded(m.eyeWhite));
  c.Fill({Circle(bx, 41, 4.9)}, xf, Shaded(m.iris));
  c.Fill({Circle(bx, 41.5, 2.4)}, xf, Solid(m.pupil.base));
  Glint(c, m, xf, bx, 41.5, -0.9, -1.1);
  Smile(c, m, xf, bx - 0.5, 51.5, 3);
}

// ---------------------------------------------------------------- kind 1

namespace {
void Kind1Eyes(Canvas& c, const Materials& m, const Xform& xf, double hx, double hy, Eyes eyes,
               bool blush) {
  struct E { double x, y, rx, ry, px, pr; };
  const E near{hx + 4.0, hy - 1.0, 3.7, 4.7, hx + 5.4, 2.0};
  const E far{hx + 10.3, hy - 1.6, 2.5, 4.4, hx + 11.0, 1.6};
  if (blush) {
    c.Fill({Ellipse(hx + 3.0, hy + 5.2, 2.6, 1.5)}, xf, Flat(m.blush, false));
    c.Fill({Ellipse(hx + 10.8, hy + 4.6, 1.6, 1.4)}, xf, Flat(m.blush, false));
  }
  for (const E& e : {near, far}) {
    if (eyes == Eyes::kClosed) {
      c.Fill(Arc(e.x - e.rx, e.y + 1.0, e.x, e.y - 2.5, e.x + e.rx, e.y + 1.0, 0.9), xf,
             Solid(m.green.outline));
      continue;
    }
    c.Fill({Ellipse(e.x, e.y, e.rx, e.ry)}, xf, Shaded(m.eyeWhite));
    c.Fill({Ellipse(e.px, e.y + 0.8, e.pr, e.pr * 1.25)}, xf, Solid(m.pupil.base));
    if (eyes == Eyes::kHalf) {
      c.Fill({ClipY(Ellipse(e.x, e.y, e.rx, e.ry), -1e9, e.y - 0.2)}, xf, Shaded(m.green));
    }
    Glint(c, m, xf, e.px, e.y + 0.8, -1.0, -1.5);
  }
}

void Feeler(Canvas& c, const Materials& m, const Xform& xf, double x0, double y0, double x1,
            double y1, double knobR) {
  const double mx = (x0 + x1) / 2 + (y1 - y0) * 0.12, my = (y0 + y1) / 2;
  c.Fill({Capsule(x0, y0, mx, my, 1.6, 1.4), Capsule(mx, my, x1, y1, 1.4, 1.3)}, xf,
         Shaded(m.green));
  c.Fill({Circle(x1, y1, knobR)}, xf, Shaded(m.knob));
}
}  // namespace

void DrawKind1Arm(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p) {
  const double b = p.bob;
  const double sx = kBodyX + 6, sy = 51 - b;
  const double hx = kBodyX + 13 + 0.6 * p.arm + p.armRaise * 4.0;
  const double hy = 56.5 - b - p.armRaise * 7.0;
  c.Fill({Capsule(sx, sy, hx, hy, 2.5, 2.7)}, xf, Shaded(m.pink));
}

void DrawKind1Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p,
                   const Look& look) {
  const double b = p.bob;
  const double bx = kBodyX, hx = kBodyX + 2, hy = 33 - b;
  Leg(c, m.pinkFar, xf, bx - 2, 58 - b, bx + p.footFar, p.liftFar, 70, 3.0, 4.6, 2.3);
  const double lx = -1.2 - 1.4 * p.lag, ly = 0.8 * p.lag;
  Feeler(c, m, xf, hx - 4, hy - 11.5, hx - 11 + lx, hy - 25 + ly, 3.0);
  Feeler(c, m, xf, hx + 4, hy - 12, hx + 6.5 + lx, hy - 27 + ly, 3.0);
  Leg(c, m.pink, xf, bx + 2, 58 - b, bx + p.footNear, p.liftNear, 70, 3.0, 4.6, 2.3);
  c.Fill({Ellipse(bx - 1, 52 - b, 12.5, 10.5)}, xf, Shaded(m.pink));
  c.Fill({Circle(hx, hy, 13.5)}, xf, Shaded(m.green));
  Kind1Eyes(c, m, xf, hx, hy, look.eyes, look.blush);
  Smile(c, m, xf, hx + 7, hy + 6.5, 2);
  if (look.nearArm) DrawKind1Arm(c, m, xf, p);
}

void DrawKind1Front(Canvas& c, const Materials& m, const Xform& xf) {
  const double bx = kBodyX, hy = 33;
  Feeler(c, m, xf, bx - 4.5, hy - 11.5, bx - 10, hy - 26, 3.0);
  Feeler(c, m, xf, bx + 4.5, hy - 11.5, bx + 10, hy - 26, 3.0);
  c.Fill({Capsule(bx - 10, 50, bx - 15.5, 56, 2.5, 2.6)}, xf, Shaded(m.pink));
  c.Fill({Capsule(bx + 10, 50, bx + 15.5, 56, 2.5, 2.6)}, xf, Shaded(m.pink));
  Leg(c, m.pink, xf, bx - 5, 58, bx - 8.5, 0, 70, 3.0, 4.2, 2.3);
  Leg(c, m.pink, xf, bx + 5, 58, bx + 7, 0, 70, 3.0, 4.2, 2.3);
  c.Fill({Ellipse(bx, 52, 13, 10.5)}, xf, Shaded(m.pink));
  c.Fill({Circle(bx, hy, 14)}, xf, Shaded(m.green));
  for (double s : {-1.0, 1.0}) {
    const double ex = bx + 5.2 * s, ey = hy - 1;
    c.Fill({Ellipse(ex, ey, 3.7, 4.7)}, xf, Shaded(m.eyeWhite));
    c.Fill({Ellipse(ex + 0.3 * s, ey + 0.8, 2.0, 2.5)}, xf, Solid(m.pupil.base));
    Glint(c, m, xf, ex + 0.3 * s, ey + 0.8, -1.0, -1.5);
  }
  Smile(c, m, xf, bx - 0.5, hy + 6.5, 2);
}

// ---------------------------------------------------------------- babies

namespace {
constexpr double kBabyX = 16;

void BabyFeet(Canvas& c, const Tones& nearT, const Tones& farT, const Xform& xf,
              const WalkPose& p) {
  c.Fill({Ellipse(kBabyX - 2 + p.footFar, 30.2 - p.liftFar, 2.9, 1.8)}, xf, Shaded(farT));
  c.Fill({Ellipse(kBabyX + 2 + p.footNear, 30.2 - p.liftNear, 2.9, 1.8)}, xf, Shaded(nearT));
}
}  // namespace

void DrawBaby0Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p) {
  const double b = p.bob, bx = kBabyX, by = 21.5 - b;
  const Xform tx = Xform::Rotate(Deg(8 * p.lag), bx - 6, 25 - b).Then(xf);
  c.Fill({Capsule(bx - 6, 25 - b, bx - 11, 22 - b, 2.6, 1.8)}, tx, Shaded(m.cream));
  c.Fill({Ellipse(bx - 12.3, 19.8 - b, 1.9, 2.7, Deg(-20))}, tx, Shaded(m.orange));
  c.Fill({Spike(bx, by, 9, 8.5, Deg(-120), 5.0, 2.0, Deg(25))}, xf, Shaded(m.orange));
  c.Fill({Spike(bx, by, 9, 8.5, Deg(-92), 6.0, 2.2, Deg(25))}, xf, Shaded(m.orange));
  BabyFeet(c, m.cream, m.creamFar, xf, p);
  c.Fill({Ellipse(bx, by, 9, 8.5)}, xf, Shaded(m.cream));
  c.Fill({Ellipse(bx + 3.6, by - 1.5, 4.6, 5.2)}, xf, Shaded(m.eyeWhite));
  c.Fill({Circle(bx + 4.8, by - 0.8, 3.1)}, xf, Shaded(m.iris));
  c.Fill({Circle(bx + 5.4, by - 0.5, 1.5)}, xf, Solid(m.pupil.base));
  Glint(c, m, xf, bx + 5.4, by - 0.5, -1.2, -1.4);
}

void DrawBaby0Front(Canvas& c, const Materials& m, const Xform& xf) {
  const double bx = kBabyX, by = 21.5;
  c.Fill({Capsule(bx - 6, 25, bx - 11, 21, 2.6, 1.8)}, xf, Shaded(m.cream));
  c.Fill({Ellipse(bx - 12, 18.5, 1.9, 2.7, Deg(-10))}, xf, Shaded(m.orange));
  c.Fill({Spike(bx, by, 9, 8.5, Deg(-110), 5.0, 2.0, 0)}, xf, Shaded(m.orange));
  c.Fill({Spike(bx, by, 9, 8.5, Deg(-70), 5.0, 2.0, 0)}, xf, Shaded(m.orange));
  WalkPose feet;
  feet.footNear = 2;
  feet.footFar = -2.5;
  BabyFeet(c, m.cream, m.cream, xf, feet);
  c.Fill({Ellipse(bx, by, 9.2, 8.5)}, xf, Shaded(m.cream));
  c.Fill({Ellipse(bx, by - 1.2, 4.8, 5.2)}, xf, Shaded(m.eyeWhite));
  c.Fill({Circle(bx, by - 0.6, 3.1)}, xf, Shaded(m.iris));
  c.Fill({Circle(bx, by - 0.4, 1.5)}, xf, Solid(m.pupil.base));
  Glint(c, m, xf, bx, by - 0.4, -1.2, -1.4);
}

namespace {
void BabyEyes1(Canvas& c, const Materials& m, const Xform& xf, double x0, double x1, double y,
               double r0, double r1) {
  c.Fill({Ellipse(x0, y, r0, r0 * 1.45)}, xf, Solid(m.pupil.base));
  c.Fill({Ellipse(x1, y, r1, r1 * 1.45)}, xf, Solid(m.pupil.base));
  Glint(c, m, xf, x0, y, -0.6, -1.2);
  Glint(c, m, xf, x1, y, -0.6, -1.2);
}
}  // namespace

void DrawBaby1Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p) {
  const double b = p.bob, bx = kBabyX, hx = kBabyX + 1, hy = 18 - b;
  const double lx = -0.8 * p.lag;
  c.Fill({Capsule(hx - 2.5, hy - 6, hx - 6 + lx, hy - 11.5, 1.3, 1.1)}, xf, Shaded(m.green));
  c.Fill({Circle(hx - 6 + lx, hy - 12, 1.9)}, xf, Shaded(m.knob));
  c.Fill({Capsule(hx + 2, hy - 6.5, hx + 3.5 + lx, hy - 12.5, 1.3, 1.1)}, xf, Shaded(m.green));
  c.Fill({Circle(hx + 3.5 + lx, hy - 13, 1.9)}, xf, Shaded(m.knob));
  BabyFeet(c, m.pink, m.pinkFar, xf, p);
  c.Fill({Ellipse(bx, 26 - b, 6.8, 4.6)}, xf, Shaded(m.pink));
  c.Fill({Circle(hx, hy, 7.8)}, xf, Shaded(m.green));
  BabyEyes1(c, m, xf, hx + 2.6, hx + 6.0, hy, 1.5, 1.2);
}

void DrawBaby1Front(Canvas& c, const Materials& m, const Xform& xf) {
  const double bx = kBabyX, hy = 18;
  for (double s : {-1.0, 1.0}) {
    c.Fill({Capsule(bx + 2.5 * s, hy - 6, bx + 5.5 * s, hy - 12, 1.3, 1.1)}, xf,
           Shaded(m.green));
    c.Fill({Circle(bx + 5.5 * s, hy - 12.5, 1.9)}, xf, Shaded(m.knob));
  }
  WalkPose feet;
  feet.footNear = 2;
  feet.footFar = -2.5;
  BabyFeet(c, m.pink, m.pink, xf, feet);
  c.Fill({Ellipse(bx, 26, 6.8, 4.6)}, xf, Shaded(m.pink));
  c.Fill({Circle(bx, hy, 8)}, xf, Shaded(m.green));
  BabyEyes1(c, m, xf, bx - 3, bx + 3, hy, 1.5, 1.5);
}

void DrawBaby0Curl(Canvas& c, const Materials& m, const Xform& xf, double radians) {
  const double cx = 16, cy = 20.5;
  const Xform r = Xform::Rotate(radians, cx, cy).Then(xf);
  // Local layout: tail wrapped over the back, tuft on top, feet tucked below.
  c.Fill({Capsule(cx - 6, cy + 6, cx - 10, cy, 2.6, 2.2),
          Capsule(cx - 10, cy, cx - 8, cy - 6, 2.2, 1.8)},
         r, Shaded(m.cream));
  c.Fill({Ellipse(cx - 6.5, cy - 8.5, 1.9, 2.8, Deg(40))}, r, Shaded(m.orange));
  c.Fill({Spike(cx, cy, 9.5, 9.5, Deg(-75), 5.0, 2.0, Deg(20))}, r, Shaded(m.orange));
  c.Fill({Ellipse(cx + 1, cy + 9, 3.0, 1.8), Ellipse(cx + 6, cy + 7.5, 3.0, 1.8, Deg(-30))}, r,
         Shaded(m.creamFar));
  c.Fill({Circle(cx, cy, 9.5)}, r, Shaded(m.cream));
  c.Fill({Ellipse(cx + 3.5, cy - 1, 4.2, 4.6)}, r, Shaded(m.eyeWhite));
  c.Fill({Circle(cx + 4.3, cy - 0.4, 2.8)}, r, Shaded(m.iris));
  c.Fill({Circle(cx + 4.8, cy - 0.2, 1.4)}, r, Solid(m.pupil.base));
  Glint(c, m, r, cx + 4.8, cy - 0.2, -1.2, -1.4);
}

void DrawBaby1Curl(Canvas& c, const Materials& m, const Xform& xf, double radians) {
  const double cx = 16, cy = 20.5;
  const Xform r = Xform::Rotate(radians, cx, cy).Then(xf);
  c.Fill({Capsule(cx - 2, cy - 7, cx - 6, cy - 10.5, 1.2, 1.1)}, r, Shaded(m.green));
  c.Fill({Circle(cx - 6.5, cy - 11, 1.8)}, r, Shaded(m.knob));
  c.Fill({Capsule(cx + 2, cy - 7, cx + 2.5, cy - 11.5, 1.2, 1.1)}, r, Shaded(m.green));
  c.Fill({Circle(cx + 2.8, cy - 12, 1.8)}, r, Shaded(m.knob));
  c.Fill({Ellipse(cx - 5, cy + 8, 2.4, 1.6), Ellipse(cx + 1, cy + 9.5, 2.4, 1.6)}, r,
         Shaded(m.pinkFar));
  c.Fill({Ellipse(cx - 2.5, cy + 5.5, 6.5, 4.4)}, r, Shaded(m.pink));
  c.Fill({Circle(cx + 1, cy - 1.5, 8.0)}, r, Shaded(m.green));
  // Eyes screwed shut while it tumbles.
  c.Fill({Capsule(cx + 1.2, cy - 2.5, cx + 3.8, cy - 1.8, 0.8, 0.8),
          Capsule(cx + 5.8, cy - 1.8, cx + 8.2, cy - 2.5, 0.8, 0.8)},
         r, Solid(m.pupil.base));
}

// ---------------------------------------------------------------- hearts, mounds

void DrawHeart(Canvas& c, const Materials& m, const Xform& xf, double cx, double cy,
               double width) {
  const double k = width / 2.1;
  auto X = [&](double u) { return cx + u * k; };
  auto Y = [&](double v) { return cy + v * k; };
  Shape s{Circle(X(-0.5), Y(-0.3), 0.56 * k), Circle(X(0.5), Y(-0.3), 0.56 * k),
          Polygon({X(-1.04), Y(-0.2), X(-0.9), Y(0.2), X(0), Y(1.0), X(0.9), Y(0.2),
                   X(1.04), Y(-0.2), X(0), Y(-0.3)})};
  Style st = Shaded(m.heart);
  st.shadowDepth = width < 9 ? 1.3 : 2.0;
  st.lightInset = 1.0;
  st.lightWidth = width < 9 ? 0.9 : 1.4;
  c.Fill(s, xf, st);
  if (width >= 8) Glint(c, m, xf, X(-0.5), Y(-0.3), -0.6, -0.6);
}

void DrawMound(Canvas& c, const Materials& m, const Xform& xf, double cx, double ground,
               double width, double height) {
  Shape s{ClipY(Ellipse(cx, ground - height * 0.15, width * 0.5, height * 0.85), -1e9, ground),
          ClipY(Ellipse(cx, ground - 1.2, width * 0.53, std::min(3.0, height * 0.3)), -1e9,
                ground)};
  Style st = Shaded(m.pale);
  st.shadowDepth = std::max(1.5, height * 0.12);
  st.lightInset = 1.5;
  st.lightWidth = std::max(1.2, height * 0.1);
  c.Fill(s, xf, st);
  // A soft shine high on the left of the dome.
  if (height >= 10) {
    c.Fill({Ellipse(cx - width * 0.2, ground - height * 0.62, width * 0.1, height * 0.09,
                    Deg(-25))},
           xf, Flat(Tones{m.pale.light, m.pale.light, m.pale.light, m.pale.light}, false));
  }
}

}  // namespace glimmerkin::artgen
