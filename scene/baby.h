#pragma once
#include "scene/sprite.h"

namespace glimmerkin {

// Slides along the ground beneath a leaping baby.
class Shadow final : public Sprite {
 public:
  Shadow(int32_t startX, int32_t startY, int32_t targetX, int32_t targetY);

  void Update(SpriteList& list) override;
  bool IsFinished() const override;
  void Draw(CellPainter& painter) override;
  int32_t DepthKey() const override;
  int32_t TypeId() const override;

  int32_t startX;
  int32_t startY;
  int32_t targetX;
  int32_t targetY;
  int32_t step = -1;
};

inline constexpr int32_t kHopTable[11] = {-10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10};

class Baby final : public Sprite {
 public:
  Baby(int32_t kind, int32_t variant, int32_t startX, int32_t startY, int32_t targetX,
       int32_t targetY);

  void Update(SpriteList& list) override;
  bool IsFinished() const override;
  void Draw(CellPainter& painter) override;
  int32_t DepthKey() const override;
  int32_t TypeId() const override;

  int32_t Kind() const { return kind; }
  int32_t TryAcceptPartner(int32_t seekerX, int32_t seekerY, int32_t seekerFacingRight,
                           Baby* seeker);
  void MarkGrowing();
  bool HasPartner() const { return hasPartner != 0; }

  int32_t kind;
  int32_t variant;
  int32_t leaping = 1;
  // The pair link. The sought (kind-1) side only ever tests it, and its seeker
  // leaves the scene first, so that side keeps the flag and drops the pointer
  // the moment the seeker is gone.
  int32_t hasPartner = 0;
  Baby* partner = nullptr;  // not owned
  int32_t finished = 0;
  int32_t startX;
  int32_t startY;
  int32_t targetX;
  int32_t targetY;
  int32_t leapStep = -1;
  int32_t animFrame = 0;
  int32_t hopIndex = 0;
  int32_t arcHeight = 0;
  int32_t headingUp;
  int32_t facingRight;
  int32_t growing = 0;
  int32_t growShown = 0;

 private:
  void Leap();
  void Approach();
  void Wander(SpriteList& list);
  void GrowIntoAlien(SpriteList& list);
};

}  // namespace glimmerkin
