#include "scene/alien.h"

#include "scene/couple.h"
#include "scene/heart.h"
#include "scene/random.h"

namespace glimmerkin {
namespace {
int32_t Abs(int32_t v) { return v < 0 ? -v : v; }
}  // namespace

Alien::Alien(int32_t x, int32_t y, int32_t kind, int32_t initial)
    : Sprite(x, y, kSize, kSize), kind(kind) {
  showFrontOnce = initial == 0 ? 1 : 0;
  facingRight = RandomBelow(2) == 1 ? 1 : 0;
  const int32_t sign = RandomBelow(2) == 1 ? 1 : -1;
  speedY = sign * (RandomBelow(5) + 1);
  // A grown alien is given the centre of the baby it grew from.
  if (initial == 0) this->x = facingRight == 1 ? this->x - 45 : this->x - 23;
}

void Alien::Update(SpriteList& list) {
  switch (state) {
    case Wandering: Wander(list); break;
    case Courting: Court(list); break;
    case Approaching: Approach(list); break;
    default: break;
  }
}

bool Alien::IsFinished() const { return state == Coupled; }

int32_t Alien::TypeId() const { return kAlienType; }

void Alien::Wander(SpriteList& list) {
  const int32_t facingOnEntry = facingRight;
  if (x < 10 && facingRight == 0) facingRight = 1;
  if (y < 0 && speedY < 0) speedY = -speedY;
  if (x + width + 10 > list.ScreenWidth() && facingRight == 1) facingRight = 0;
  if (y + height > list.ScreenHeight() && speedY > 0) speedY = -speedY;

  if (RandomBelow(5) == 1) {
    const int32_t c = speedY + RandomBelow(3) - 1;
    if (Abs(c) >= 1 && Abs(c) <= 5) speedY = c;
  }
  if (RandomBelow(100) == 1) {
    if (RandomBelow(2) != 0) facingRight = 1 - facingRight;
    if (RandomBelow(2) != 0) speedY = -speedY;
  }

  ++walkFrame;
  if (walkFrame >= 5) walkFrame = 0;
  const int32_t step = kWalkSteps[walkFrame];
  x += facingRight == 1 ? step : -step;
  y += speedY;

  if (facingRight != facingOnEntry) {
    walkFrame = 5;
    x += facingRight == 1 ? -27 : 27;
    return;
  }
  if (kind != 0) return;

  for (Sprite* s = list.Begin(kAlienType, this); s != nullptr; s = list.Next()) {
    auto* candidate = static_cast<Alien*>(s);
    if (candidate->Kind() != 1) continue;
    if (candidate->TryAcceptSuitor(x, y, facingRight) == 1) {
      mate = candidate;
      state = Courting;
      heartTimer = 0;
      heartsSent = 0;
      walkFrame = 0;
      return;
    }
  }
}

int32_t Alien::TryAcceptSuitor(int32_t suitorX, int32_t suitorY, int32_t suitorFacingRight) {
  if (state != Wandering) return 0;
  if ((x > suitorX ? 1 : 0) != suitorFacingRight) return 0;
  if (facingRight != 1 - suitorFacingRight) return 0;
  if (Abs(suitorX - x) <= 100) return 0;
  if (y < suitorY || y > suitorY + 3) return 0;
  y = suitorY;
  walkFrame = 0;
  state = Waiting;
  return 1;
}

void Alien::Court(SpriteList& list) {
  if (heartTimer < 1) {
    ++heartTimer;
    return;
  }
  heartTimer = 0;
  if (heartsSent < 6) {
    const int32_t hx = facingRight == 1 ? x + 70 : x - 16;
    AddNew<Heart>(list, hx, y + 35, 5 - heartsSent, facingRight, this, mate);
    ++heartsSent;
  }
}

void Alien::Approach(SpriteList& list) {
  if (Abs(x - mate->x) < 78) {
    mate->FormCouple(*this, list);
    state = Coupled;
  }
  ++walkFrame;
  if (walkFrame >= 5) walkFrame = 0;
  const int32_t step = kWalkSteps[walkFrame];
  x += facingRight == 1 ? step : -step;
}

void Alien::BecomeSmitten() {
  if (state != Coupled) state = Smitten;
}

void Alien::StartApproach() {
  if (state != Coupled) state = Approaching;
}

void Alien::FormCouple(const Alien& suitor, SpriteList& list) {
  const int32_t cx = (x + suitor.x - 50) / 2;
  AddNew<Couple>(list, cx, y, facingRight == 1 ? 1 : 0);
  state = Coupled;
}

void Alien::Draw(CellPainter& painter) {
  int32_t column = walkFrame;
  int32_t row = facingRight == 1 ? 0 : 1;
  if (showFrontOnce == 1) {
    column = 5;
    showFrontOnce = 0;
  }
  if (kind == 1) column += 6;
  if (state == Smitten) {
    row = 6;
    column = facingRight == 1 ? 0 : 1;
  }
  cellX = column * 70;
  cellY = row * 70;
  Sprite::Draw(painter);
}

}  // namespace glimmerkin
