#include "animation/scene_set.h"

#include <new>

namespace glimmerkin {
namespace {

// The platform as one area's stage sees it: its own seed, size and pixel
// size, the settings read once for all.
class AreaPlatform final : public StagePlatform {
 public:
  AreaPlatform(const SceneArea& area, const Settings& settings, ReferenceContext reference)
      : area_(area), settings_(settings), reference_(reference) {}
  uint32_t CurrentTimeSeconds() override { return area_.seed; }
  Settings ReadSettings() override { return settings_; }
  int32_t ScreenWidth() override { return area_.stageWidth; }
  int32_t ScreenHeight() override { return area_.stageHeight; }
  int32_t PixelSize() override { return area_.pixelSize; }
  ReferenceContext GetReferenceContext() override { return reference_; }

 private:
  const SceneArea& area_;
  const Settings& settings_;
  ReferenceContext reference_;
};

}  // namespace

void SceneSet::Create(const std::vector<SceneArea>& areas, const Settings& settings,
                      ReferenceContext reference, FrameTimer* timer) {
  areas_.clear();
  stages_.clear();
  paces_.clear();
  timer_ = timer;
  intervalMs_ = FrameIntervalMs(settings.redrawSpeed);
  areas_.reserve(areas.size());
  stages_.reserve(areas.size());
  for (const SceneArea& area : areas) {
    std::unique_ptr<Stage> stage(new (std::nothrow) Stage);
    if (!stage) continue;
    areas_.push_back(area);
    AreaPlatform own(areas_.back(), settings, reference);
    // Only the first stage starts (and later stops) the timer.
    CreateStage(*stage, own, stages_.empty() ? timer : nullptr);
    stages_.push_back(std::move(stage));
  }
  paces_.resize(stages_.size());
}

void SceneSet::Destroy(FrameTimer* timer) {
  for (size_t i = 0; i < stages_.size(); ++i) DestroyStage(*stages_[i], i == 0 ? timer : nullptr);
  stages_.clear();
  areas_.clear();
  paces_.clear();
  timer_ = nullptr;
}

bool SceneSet::AnySeen() const {
  for (const ScenePace& pace : paces_)
    if (pace.Sight().Seen()) return true;
  return false;
}

void SceneSet::Report(Unseen why, bool holds) {
  const bool wasSeen = AnySeen();
  for (ScenePace& pace : paces_) pace.Report(why, holds);
  FollowTimer(wasSeen);
}

void SceneSet::Report(size_t index, Unseen why, bool holds) {
  if (index >= paces_.size()) return;
  const bool wasSeen = AnySeen();
  paces_[index].Report(why, holds);
  FollowTimer(wasSeen);
}

// The timer costs a wake-up each interval: it runs only while some scene
// can be seen.
void SceneSet::FollowTimer(bool wasSeen) {
  if (timer_ == nullptr || stages_.empty()) return;
  const bool seen = AnySeen();
  if (seen == wasSeen) return;
  FollowSight(*stages_[0], *timer_, seen);
}

void SceneSet::StartPacing(int64_t nowNs, std::optional<uint32_t> limit) {
  for (ScenePace& pace : paces_) pace.Start(nowNs, intervalMs_, limit);
}

int64_t SceneSet::NextFrameNs() const {
  int64_t wake = kNoWake;
  for (const ScenePace& pace : paces_) wake = EarlierWake(wake, pace.WakeNs());
  return wake;
}

}  // namespace glimmerkin
