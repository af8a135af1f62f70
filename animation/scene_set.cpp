#include "animation/scene_set.h"

#include <new>

namespace glimmerkin {
namespace {

// The platform as one area's stage sees it: its own seed, size and pixel
// size; only the first stage starts (and later stops) the timer.
class AreaPlatform final : public StagePlatform {
 public:
  AreaPlatform(StagePlatform& base, const SceneArea& area, const Settings& settings,
               bool ownsTimer)
      : base_(base), area_(area), settings_(settings), ownsTimer_(ownsTimer) {}
  uint32_t CurrentTimeSeconds() override { return area_.seed; }
  Settings ReadSettings() override { return settings_; }
  int32_t ScreenWidth() override { return area_.stageWidth; }
  int32_t ScreenHeight() override { return area_.stageHeight; }
  int32_t PixelSize() override { return area_.pixelSize; }
  ReferenceContext GetReferenceContext() override { return base_.GetReferenceContext(); }
  uint32_t StartTimer(uint32_t intervalMs) override {
    return ownsTimer_ ? base_.StartTimer(intervalMs) : 0;
  }
  void StopTimer(uint32_t timerId) override { base_.StopTimer(timerId); }

 private:
  StagePlatform& base_;
  const SceneArea& area_;
  const Settings& settings_;
  bool ownsTimer_;
};

}  // namespace

void SceneSet::Create(const std::vector<SceneArea>& areas, StagePlatform& platform) {
  areas_.clear();
  stages_.clear();
  const Settings settings = platform.ReadSettings();
  areas_.reserve(areas.size());
  stages_.reserve(areas.size());
  for (const SceneArea& area : areas) {
    std::unique_ptr<Stage> stage(new (std::nothrow) Stage);
    if (!stage) continue;
    areas_.push_back(area);
    AreaPlatform own(platform, areas_.back(), settings, stages_.empty());
    CreateStage(*stage, own);
    stages_.push_back(std::move(stage));
  }
}

void SceneSet::Destroy(StagePlatform& platform) {
  for (size_t i = 0; i < stages_.size(); ++i) {
    AreaPlatform own(platform, areas_[i], Settings{}, i == 0);
    DestroyStage(*stages_[i], own);
  }
  stages_.clear();
  areas_.clear();
}

}  // namespace glimmerkin
