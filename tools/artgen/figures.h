#pragma once
// The figures of the sprite sheet, each drawn through a map from its own
// coordinates (facing right, ground at the bottom of its cell) to a canvas.
#include "tools/artgen/paint.h"

namespace glimmerkin::artgen {

struct Materials {
  Tones cream, creamFar, orange, eyeWhite, iris, pupil;
  Tones green, greenFar, pink, pinkFar, knob, blush;
  Tones pale, paleCream, palePink, paleGreen;
  Tones heart, shadowGrey;
  uint8_t glint = 0;
  uint8_t mouth = 0;
  uint8_t outline = 0;  // the generic dark line
};

Materials MakeMaterials(Palette& palette);
Rgb Mix(Rgb a, Rgb b, double t);

// One frame of a walk: feet forward of the hip (+) or behind (-), how far
// each is lifted, how far the body rises, and the lag of tail and feelers.
struct WalkPose {
  double bob = 0;
  double footNear = 0, liftNear = 0;
  double footFar = 0, liftFar = 0;
  double arm = 0;       // hand swing, forward +
  double lag = 0;       // -1..1, trailing parts swing by it
  double armRaise = 0;  // 0 hanging, 1 reaching forward
};

// A spike standing out of an ellipse's rim at parameter t, leaning back (-x).
Prim Spike(double cx, double cy, double rx, double ry, double t, double length, double width,
           double leanBack);

WalkPose WalkFrame(int frame, double stride, double lift);
WalkPose Standing();

enum class Eyes { kOpen, kHalf, kClosed };

struct Look {
  Eyes eyes = Eyes::kOpen;
  bool blush = false;
  bool nearArm = true;   // draw the near arm with the body
};

void DrawKind0Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p,
                   const Look& look);
void DrawKind0Arm(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p);
void DrawKind0Front(Canvas& c, const Materials& m, const Xform& xf);
void DrawKind1Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p,
                   const Look& look);
void DrawKind1Arm(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p);
void DrawKind1Front(Canvas& c, const Materials& m, const Xform& xf);

void DrawBaby0Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p);
void DrawBaby1Side(Canvas& c, const Materials& m, const Xform& xf, const WalkPose& p);
void DrawBaby0Front(Canvas& c, const Materials& m, const Xform& xf);
void DrawBaby1Front(Canvas& c, const Materials& m, const Xform& xf);
// Curled up, turned by the given angle (clockwise) about the ball's centre.
void DrawBaby0Curl(Canvas& c, const Materials& m, const Xform& xf, double radians);
void DrawBaby1Curl(Canvas& c, const Materials& m, const Xform& xf, double radians);

void DrawHeart(Canvas& c, const Materials& m, const Xform& xf, double cx, double cy,
               double width);
// A pale dome of the given width and height standing on y = ground.
void DrawMound(Canvas& c, const Materials& m, const Xform& xf, double cx, double ground,
               double width, double height);
// Embrace frames 0..11 in a 120 by 70 cell, kind 0 on the left.
void DrawEmbrace(Canvas& c, Palette& palette, const Materials& m, const Xform& xf, int frame);

}  // namespace glimmerkin::artgen
