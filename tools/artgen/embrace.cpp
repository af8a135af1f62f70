// The embrace: two walkers lean in, kiss, hug, squeeze, run together into
// one pale blob that still shows both faces, and sink into a mound.
#include <cmath>

#include "tools/artgen/figures.h"

namespace glimmerkin::artgen {
namespace {

constexpr double kGround = 70;

struct Hold {
  double x0;       // body centre of the kind-0 partner; kind 1 mirrors it
  double leanDeg;  // both lean toward each other
  double squashX, squashY;
  Eyes eyes;
  double arms;  // 0 hanging .. 1 round the other
  double heartWidth, heartY;
};

constexpr Hold kHolds[7] = {
    {36, 0, 1.00, 1.00, Eyes::kOpen, 0.0, 0, 0},
    {38, 6, 1.00, 1.00, Eyes::kOpen, 0.4, 0, 0},
    {41, 9, 1.00, 1.00, Eyes::kOpen, 0.8, 0, 0},
    {41, 9, 1.00, 1.00, Eyes::kClosed, 0.8, 7, 12},
    {44, 6, 1.00, 1.00, Eyes::kClosed, 1.0, 9, 9},
    {47, 3, 1.06, 0.94, Eyes::kClosed, 1.0, 11, 7},
    {50, 1, 1.10, 0.88, Eyes::kClosed, 1.0, 7, 5},
};

void DrawHold(Canvas& c, const Materials& m, const Xform& world, const Hold& h) {
  const double x1 = 120 - h.x0;
  const Xform k0 = Xform::Translate(h.x0 - 45, 0)
                       .Then(Xform::Rotate(Deg(h.leanDeg), h.x0, kGround))
                       .Then(Xform::Scale(h.squashX, h.squashY, h.x0, kGround))
                       .Then(world);
  const Xform k1 = Xform::MirrorX(90)
                       .Then(Xform::Translate(x1 - 45, 0))
                       .Then(Xform::Rotate(Deg(-h.leanDeg), x1, kGround))
                       .Then(Xform::Scale(h.squashX, h.squashY, x1, kGround))
                       .Then(world);
  WalkPose pose = Standing();
  pose.armRaise = h.arms;
  Look look;
  look.eyes = h.eyes;
  look.nearArm = false;
  DrawKind0Side(c, m, k0, pose, look);
  DrawKind1Side(c, m, k1, pose, look);
  // The arms go round the partner, so they are drawn last.
  DrawKind1Arm(c, m, k1, pose);
  DrawKind0Arm(c, m, k0, pose);
  if (h.heartWidth > 0) DrawHeart(c, m, world, 60, h.heartY, h.heartWidth);
}

// Feature colours that fade into the blob as it sinks.
struct FaceTones {
  Tones white, iris, pupil, line;
};

FaceTones FadedFace(Palette& p, const Materials& m, double t) {
  const auto& col = p.Colours();
  auto fade = [&](const Tones& src) {
    const Rgb pale = col[m.pale.base];
    const Rgb paleShadow = col[m.pale.shadow];
    return p.Material(Mix(col[src.outline], paleShadow, t), Mix(col[src.shadow], pale, t),
                      Mix(col[src.base], pale, t), Mix(col[src.light], pale, t));
  };
  FaceTones f;
  f.white = fade(m.eyeWhite);
  f.iris = fade(m.iris);
  f.pupil = fade(m.pupil);
  f.line = fade(Tones{m.outline, m.outline, m.outline, m.outline});
  return f;
}

Style ShadedT(const Tones& t) {
  Style s;
  s.tones = t;
  return s;
}

Style SolidT(uint8_t i) {
  Style s;
  s.tones = Tones{i, i, i, i};
  s.shade = false;
  s.outline = false;
  return s;
}

void GlintAt(Canvas& c, uint8_t glint, const Xform& xf, double x, double y, double dx,
             double dy) {
  double ox, oy;
  xf.Apply(x, y, ox, oy);
  const int px = static_cast<int>(std::floor(ox + dx)), py = static_cast<int>(std::floor(oy + dy));
  if (c.Opaque(px, py)) c.Set(px, py, glint);
}

// Both faces on the blob, looking out: the big single eye on the left, the
// two small eyes on the right.
void BlobFaces(Canvas& c, const Materials& m, const FaceTones& f, const Xform& xf, double y,
               double scale, bool glints, bool smiles) {
  const double ex = 46, ey = y;
  c.Fill({Ellipse(ex, ey, 6.0 * scale, 7.0 * scale)}, xf, ShadedT(f.white));
  c.Fill({Circle(ex + 0.8, ey + 0.8, 4.0 * scale)}, xf, ShadedT(f.iris));
  c.Fill({Circle(ex + 1.0, ey + 1.1, 2.0 * scale)}, xf, SolidT(f.pupil.base));
  if (glints) GlintAt(c, m.glint, xf, ex + 1.0, ey + 1.1, -1.5, -1.8);
  for (double x : {69.0, 77.0}) {
    c.Fill({Ellipse(x, ey - 1, 2.9 * scale, 3.8 * scale)}, xf, ShadedT(f.white));
    c.Fill({Ellipse(x - 0.4, ey - 0.3, 1.6 * scale, 2.1 * scale)}, xf, SolidT(f.pupil.base));
    if (glints) GlintAt(c, m.glint, xf, x - 0.4, ey - 0.3, -1.0, -1.4);
  }
  if (smiles) {
    for (double mx : {46.0, 73.0}) {
      for (int i = -2; i <= 2; ++i) {
        const double dy = (i == -2 || i == 2) ? 0 : 1;
        c.DotOnFigure(xf, mx + i + 0.5, y + 9.0 * scale + dy + 0.5, f.line.base);
      }
    }
  }
}

}  // namespace

void DrawEmbrace(Canvas& c, Palette& palette, const Materials& m, const Xform& world,
                 int frame) {
  if (frame <= 6) {
    DrawHold(c, m, world, kHolds[frame]);
    return;
  }
  const FaceTones crisp = FadedFace(palette, m, 0.0);
  if (frame == 7) {
    // Still two bodies, but one outline: they have begun to run together.
    for (double fx : {38.0, 50.0, 70.0, 82.0}) {
      c.Fill({Ellipse(fx, kGround - 2.3, 4.4, 2.3)}, world,
             ShadedT(fx < 60 ? m.cream : m.pink));
    }
    c.Fill({Capsule(67, 27, 60, 13, 1.5, 1.3)}, world, ShadedT(m.green));
    c.Fill({Capsule(75, 26, 80, 12, 1.5, 1.3)}, world, ShadedT(m.green));
    c.Fill({Circle(60, 13, 2.9)}, world, ShadedT(m.knob));
    c.Fill({Circle(80, 12, 2.9)}, world, ShadedT(m.knob));
    for (double t : {-140.0, -113.0, -86.0}) {
      c.Fill({Spike(48, 47, 16.5, 16, Deg(t), 7.0, 2.8, Deg(28))}, world, ShadedT(m.orange));
    }
    Style st;
    st.tonesAt = [&m, world](double x, double y) {
      double fx, fy;
      world.Inverse().Apply(x, y, fx, fy);
      const double dl = std::hypot(fx - 48, fy - 48), dr = std::hypot(fx - 72, fy - 44);
      if (dl + 6 < dr) return m.cream;
      if (dr + 6 < dl) return fy < 47 ? m.green : m.pink;
      return m.pale;
    };
    c.Fill({Ellipse(48, 47, 16.5, 16), Circle(72, 37, 13.5), Ellipse(70, 56, 13.5, 10),
            Ellipse(60, 52, 16, 13)},
           world, st);
    // Eyes shut in bliss.
    c.Fill({Capsule(41, 45, 45, 41, 1.0, 1.0), Capsule(45, 41, 49, 45, 1.0, 1.0)}, world,
           SolidT(m.cream.outline));
    for (double x : {70.0, 78.0}) {
      c.Fill({Capsule(x - 3, 38, x, 35, 0.9, 0.9), Capsule(x, 35, x + 3, 38, 0.9, 0.9)}, world,
             SolidT(m.green.outline));
    }
    return;
  }
  if (frame == 8) {
    c.Fill({Spike(48, 48, 20, 20, Deg(-125), 5.5, 2.6, Deg(20)),
            Spike(48, 48, 20, 20, Deg(-100), 6.5, 2.8, Deg(20))},
           world, ShadedT(m.orange));
    c.Fill({Capsule(70, 30, 67, 20, 1.4, 1.3), Capsule(77, 30, 80, 20, 1.4, 1.3)}, world,
           ShadedT(m.paleGreen));
    c.Fill({Circle(67, 19.5, 2.6), Circle(80, 19.5, 2.6)}, world, ShadedT(m.knob));
    Style st;
    st.tonesAt = [&m, world](double x, double y) {
      double fx, fy;
      world.Inverse().Apply(x, y, fx, fy);
      if (fx < 49) return m.paleCream;
      if (fx > 69) return fy < 47 ? m.paleGreen : m.palePink;
      return m.pale;
    };
    c.Fill({Ellipse(60, 49, 29, 21), Ellipse(60, 66, 31, 4)}, world, st);
    BlobFaces(c, m, crisp, world, 44, 1.0, true, true);
    return;
  }
  if (frame == 9) {
    c.Fill({Spike(48, 52, 22, 18, Deg(-115), 4.0, 2.4, Deg(15))}, world, ShadedT(m.orange));
    c.Fill({Circle(74, 34.5, 2.4)}, world, ShadedT(m.knob));
    Style st;
    st.tonesAt = [&m, world](double x, double y) {
      double fx, fy;
      world.Inverse().Apply(x, y, fx, fy);
      (void)fy;
      if (fx < 42) return m.paleCream;
      if (fx > 78) return m.palePink;
      return m.pale;
    };
    c.Fill({ClipY(Ellipse(60, 53, 32, 18), -1e9, kGround), Ellipse(60, 67, 34, 3.2)}, world,
           st);
    BlobFaces(c, m, crisp, world, 49, 0.92, true, true);
    return;
  }
  if (frame == 10) {
    DrawMound(c, m, world, 60, kGround, 98, 36);
    BlobFaces(c, m, FadedFace(palette, m, 0.4), world, 55, 0.85, false, true);
    return;
  }
  DrawMound(c, m, world, 60, kGround, 100, 32);
  BlobFaces(c, m, FadedFace(palette, m, 0.72), world, 60, 0.8, false, false);
}

}  // namespace glimmerkin::artgen
