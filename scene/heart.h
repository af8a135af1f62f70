#pragma once
#include "scene/sprite.h"

namespace glimmerkin {

class Alien;

// A courtship token flying from a suitor to its mate.
class Heart final : public Sprite {
 public:
  Heart(int32_t x, int32_t y, int32_t index, int32_t facingRight, Alien* suitor, Alien* mate);

  void Update(SpriteList& list) override;
  bool IsFinished() const override;
  void Draw(CellPainter& painter) override;
  int32_t TypeId() const override;

  Alien* suitor;  // not owned; both aliens outlive every heart of their courtship
  Alien* mate;
  int32_t index;
  int32_t wobble = 0;
  int32_t wobbleRising = 1;
  int32_t facingRight;
  int32_t finished = 0;
};

}  // namespace glimmerkin
