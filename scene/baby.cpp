#include "scene/baby.h"

#include "scene/alien.h"
#include "scene/random.h"

namespace glimmerkin {
namespace {
int32_t Abs(int32_t v) { return v < 0 ? -v : v; }
}  // namespace

Shadow::Shadow(int32_t startX, int32_t startY, int32_t targetX, int32_t targetY)
    : Sprite(startX, startY, 27, 32),
      startX(startX), startY(startY), targetX(targetX), targetY(targetY) {}

void Shadow::Update(SpriteList&) {
  ++step;
  x = startX + ((targetX - startX) * step) / 30;
  y = startY + ((targetY - startY) * step) / 30;
}

bool Shadow::IsFinished() const { return step >= 30; }

void Shadow::Draw(CellPainter& painter) {
  cellX = 210;
  cellY = 490;
  Sprite::Draw(painter);
}

int32_t Shadow::DepthKey() const { return -100; }
int32_t Shadow::TypeId() const { return kShadowType; }

Baby::Baby(int32_t kind, int32_t variant, int32_t startX, int32_t startY, int32_t targetX,
           int32_t targetY)
    : Sprite(startX, startY, 32, 32),
      kind(kind), variant(variant),
      startX(startX), startY(startY), targetX(targetX), targetY(targetY),
      headingUp(targetY < startY ? 1 : 0), facingRight(startX < targetX ? 1 : 0) {}

void Baby::Update(SpriteList& list) {
  if (leaping == 1) {
    Leap();
  } else if (hasPartner != 0 && growing == 1) {
    if (growShown == 1) GrowIntoAlien(list);
  } else if (hasPartner != 0) {
    Approach();
  } else {
    Wander(list);
  }
}

void Baby::Leap() {
  ++leapStep;
  x = startX + ((targetX - startX) * leapStep) / 30;
  y = startY + ((targetY - startY) * leapStep) / 30;
  const int32_t fromTop = leapStep - 15;
  arcHeight = 100 - (fromTop * fromTop * 400) / 900;
  y -= arcHeight;
  ++animFrame;
  if (animFrame == 4) animFrame = 0;
  if (leapStep == 30) {
    leaping = 0;
    x = targetX;
    y = targetY;
    arcHeight = 0;
    animFrame = 0;
  }
}

void Baby::Approach() {
  x += facingRight == 1 ? 4 : -4;
  y += kHopTable[hopIndex];
  ++hopIndex;
  if (hopIndex >= 11) hopIndex = 0;
  if (kind != 0) return;
  const bool reached = facingRight == 1 ? partner->x < x + 4 : partner->x > x - 4;
  if (reached) {
    partner->MarkGrowing();
    finished = 1;
  }
}

void Baby::Wander(SpriteList& list) {
  if (x < 3 && facingRight == 0) facingRight = 1;
  if (y < 2 && headingUp == 1) headingUp = 0;
  if (x + width + 3 > list.ScreenWidth() && facingRight == 1) facingRight = 0;
  if (y + height + 2 > list.ScreenHeight() && headingUp == 0) headingUp = 1;
  if (RandomBelow(75) == 1) {
    if (RandomBelow(2) != 0) facingRight = 1 - facingRight;
    if (RandomBelow(2) != 0) headingUp = 1 - headingUp;
  }
  ++animFrame;
  if (animFrame >= 5) animFrame = 0;
  x += facingRight == 1 ? 3 : -3;
  y += headingUp == 1 ? -2 : 2;
  if (kind != 0) return;

  for (Sprite* s = list.Begin(kBabyType, this); s != nullptr; s = list.Next()) {
    auto* candidate = static_cast<Baby*>(s);
    if (candidate->Kind() != 1) continue;
    if (candidate->TryAcceptPartner(x, y, facingRight, this) == 1) {
      partner = candidate;
      hasPartner = 1;
      animFrame = 0;
      return;
    }
  }
}

int32_t Baby::TryAcceptPartner(int32_t seekerX, int32_t seekerY, int32_t seekerFacingRight,
                               Baby* seeker) {
  if (hasPartner != 0) return 0;
  if (leaping != 0) return 0;
  if ((x > seekerX ? 1 : 0) != seekerFacingRight) return 0;
  if (facingRight != 1 - seekerFacingRight) return 0;
  if (Abs(seekerX - x) <= 25) return 0;
  if (y < seekerY || y > seekerY + 5) return 0;
  y = seekerY;
  animFrame = 0;
  partner = seeker;
  hasPartner = 1;
  return 1;
}

void Baby::MarkGrowing() {
  growing = 1;
  partner = nullptr;  // the seeker that calls this finishes in the same update
}

void Baby::GrowIntoAlien(SpriteList& list) {
  AddNew<Alien>(list, x + width / 2, y + height - 70, variant, 0);
  finished = 1;
}

bool Baby::IsFinished() const { return finished != 0; }

void Baby::Draw(CellPainter& painter) {
  int32_t column;
  int32_t row;
  if (leaping == 1 && kind == 1) {
    column = 10 + animFrame;
    row = facingRight == 1 ? 0 : 1;
  } else if (leaping == 1) {
    column = 3 + animFrame + (facingRight == 0 ? 4 : 0);
    row = 2;
  } else if (growing == 1) {
    column = variant == 1 ? 0 : 1;
    row = 2;
    growShown = 1;
  } else {
    column = animFrame + (kind == 1 ? 5 : 0);
    row = facingRight == 1 ? 0 : 1;
  }
  cellX = 140 + column * 32;
  cellY = 420 + row * 32;
  Sprite::Draw(painter);
}

int32_t Baby::DepthKey() const { return y + height + arcHeight; }
int32_t Baby::TypeId() const { return kBabyType; }

}  // namespace glimmerkin
