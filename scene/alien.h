#pragma once
#include "scene/sprite.h"

namespace glimmerkin {

enum AlienState : int32_t {
  Wandering = 0,
  Waiting = 1,
  Courting = 2,
  Approaching = 3,
  Smitten = 4,
  Coupled = 5,
};

// The adult walker. Kind 0 courts, kind 1 is courted.
class Alien final : public Sprite {
 public:
  static constexpr int32_t kSize = 70;

  Alien(int32_t x, int32_t y, int32_t kind, int32_t initial);

  void Update(SpriteList& list) override;
  bool IsFinished() const override;
  void Draw(CellPainter& painter) override;
  int32_t TypeId() const override;

  int32_t Kind() const { return kind; }
  int32_t TryAcceptSuitor(int32_t suitorX, int32_t suitorY, int32_t suitorFacingRight);
  void BecomeSmitten();
  void StartApproach();
  void FormCouple(const Alien& suitor, SpriteList& list);

  int32_t kind;
  int32_t facingRight = 0;
  int32_t showFrontOnce = 0;
  int32_t state = Wandering;
  int32_t speedY = 1;
  int32_t walkFrame = 0;
  int32_t heartsSent = 0;
  int32_t heartTimer = 0;
  Alien* mate = nullptr;  // not owned; alive until this suitor couples

 private:
  void Wander(SpriteList& list);
  void Court(SpriteList& list);
  void Approach(SpriteList& list);
};

inline constexpr int32_t kWalkSteps[5] = {7, 5, 7, 4, 5};

}  // namespace glimmerkin
