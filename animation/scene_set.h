#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "animation/scene_plan.h"
#include "animation/stage.h"

namespace glimmerkin {

// One stage per monitor, all driven by the one frame timer that the first
// (the primary monitor's) stage starts. Each stage is built exactly as a
// lone stage of its size and seed would be, so the primary monitor shows the
// very scene a single-monitor screen of its size shows.
class SceneSet {
 public:
  // Each area brings its seed, size and pixel size; the settings are read
  // once by the caller. Without a timer the caller paces the frames itself.
  void Create(const std::vector<SceneArea>& areas, const Settings& settings,
              ReferenceContext reference, FrameTimer* timer);
  void Destroy(FrameTimer* timer);

  size_t Count() const { return stages_.size(); }
  Stage& StageAt(size_t index) { return *stages_[index]; }
  const SceneArea& AreaAt(size_t index) const { return areas_[index]; }

  // One frame of every scene, in plan order; targetFor(index) is the
  // PresentTarget scene `index` is shown through.
  template <class TargetFor>
  void RunFrames(TargetFor&& targetFor) {
    for (size_t i = 0; i < stages_.size(); ++i) RunFrame(*stages_[i], targetFor(i));
  }

 private:
  std::vector<std::unique_ptr<Stage>> stages_;
  std::vector<SceneArea> areas_;
};

}  // namespace glimmerkin
