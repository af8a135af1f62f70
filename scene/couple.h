#pragma once
#include "scene/sprite.h"

namespace glimmerkin {

// The embraced pair: melts into a mound and sends out four babies.
class Couple final : public Sprite {
 public:
  Couple(int32_t x, int32_t y, int32_t orientation);

  void Update(SpriteList& list) override;
  bool IsFinished() const override;
  void Draw(CellPainter& painter) override;
  int32_t TypeId() const override;

  int32_t orientation;
  int32_t frame = -1;
  int32_t finished = 0;
  int32_t skipTick = 1;
  int32_t babiesEmitted = 0;

 private:
  void SpawnOffspring(int32_t kind, int32_t variant, SpriteList& list);
};

// Landing-point draws are capped so that a tiny stage cannot hang the scene.
inline constexpr int32_t kMaxLandingTries = 1000;

}  // namespace glimmerkin
