#include "scene/couple.h"

#include "scene/baby.h"
#include "scene/random.h"

namespace glimmerkin {
namespace {
int32_t Abs(int32_t v) { return v < 0 ? -v : v; }
}  // namespace

Couple::Couple(int32_t x, int32_t y, int32_t orientation)
    : Sprite(x, y, 120, 70), orientation(orientation) {}

void Couple::Update(SpriteList& list) {
  skipTick = skipTick == 0 ? 1 : 0;
  if (skipTick == 1) return;
  ++frame;
  if (frame == 15 && babiesEmitted < 4) {
    frame = 13;
    SpawnOffspring(babiesEmitted % 2, babiesEmitted / 2, list);
    ++babiesEmitted;
  }
  if (frame == 18) finished = 1;
}

void Couple::SpawnOffspring(int32_t kind, int32_t variant, SpriteList& list) {
  const int32_t sx = x + 44;
  const int32_t sy = y + 38;
  int32_t tx = 0;
  int32_t ty = 0;
  for (int32_t tries = 0; tries < kMaxLandingTries; ++tries) {
    tx = RandomBelow(list.ScreenWidth() - 32);
    ty = RandomBelow(list.ScreenHeight() - 32);
    // Widened so that no stage size can overflow the distance.
    const int64_t distance = static_cast<int64_t>(Abs(tx - sx)) + Abs(ty - sy);
    if (distance >= 100) break;
  }
  AddNew<Baby>(list, kind, variant, sx, sy, tx, ty);
  AddNew<Shadow>(list, sx, sy, tx, ty);
}

bool Couple::IsFinished() const { return finished != 0; }

void Couple::Draw(CellPainter& painter) {
  int32_t column;
  int32_t row;
  if (frame <= 5) {
    column = frame;
    row = orientation == 1 ? 2 : 0;
  } else if (frame <= 11) {
    column = frame - 6;
    row = orientation == 1 ? 3 : 1;
  } else if (frame <= 16) {
    column = 6;
    row = frame - 12;
  } else {
    column = 5;
    row = 4;
  }
  cellX = column * 120;
  cellY = 140 + row * 70;
  Sprite::Draw(painter);
}

int32_t Couple::TypeId() const { return kCoupleType; }

}  // namespace glimmerkin
