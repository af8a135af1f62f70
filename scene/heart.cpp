#include "scene/heart.h"

#include "scene/alien.h"

namespace glimmerkin {

Heart::Heart(int32_t x, int32_t y, int32_t index, int32_t facingRight, Alien* suitor, Alien* mate)
    : Sprite(x, y, 16, 16), suitor(suitor), mate(mate), index(index), facingRight(facingRight) {}

void Heart::Update(SpriteList&) {
  if (finished == 1) return;
  wobble += wobbleRising == 1 ? 2 : -2;
  if (wobble >= 6 || wobble <= -6) wobbleRising = 1 - wobbleRising;
  x += facingRight == 1 ? 6 : -6;
  y -= wobble;
  // Fixed widths (16 for the heart, 70 for the mate), not read from the sprites.
  if (facingRight == 1)
    finished = mate->x - (x + 16) < 7 ? 1 : 0;
  else
    finished = x - (mate->x + 70) < 7 ? 1 : 0;
  // Hearts arrive only at the top of a bob.
  if (wobble < 6 && wobble > -6) finished = 0;
  if (finished == 1 && index == 0) suitor->StartApproach();
  if (finished == 1 && index == 5) mate->BecomeSmitten();
}

bool Heart::IsFinished() const { return finished != 0; }

void Heart::Draw(CellPainter& painter) {
  cellX = (index % 3) * 16;
  cellY = 490 + (index / 3) * 16;
  Sprite::Draw(painter);
}

int32_t Heart::TypeId() const { return kHeartType; }

}  // namespace glimmerkin
