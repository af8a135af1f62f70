#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "animation/stage.h"
#include "host/display_rules.h"

namespace glimmerkin {

// One stage per monitor, all driven by the one frame timer that the first
// (the primary monitor's) stage starts. Each stage is built exactly as a
// lone stage of its size and seed would be, so the primary monitor shows the
// very scene a single-monitor screen of its size shows.
class SceneSet {
 public:
  // Reads the settings once; the clock is not read: each area brings its seed.
  void Create(const std::vector<SceneArea>& areas, StagePlatform& platform);
  void Destroy(StagePlatform& platform);

  size_t Count() const { return stages_.size(); }
  Stage& StageAt(size_t index) { return *stages_[index]; }
  const SceneArea& AreaAt(size_t index) const { return areas_[index]; }

  // One frame of every scene, in plan order; targetFor(index) is where
  // scene `index` is presented.
  template <class TargetFor>
  void RunFrames(TargetFor&& targetFor) {
    for (size_t i = 0; i < stages_.size(); ++i) RunFrame(*stages_[i], targetFor(i));
  }

 private:
  std::vector<std::unique_ptr<Stage>> stages_;
  std::vector<SceneArea> areas_;
};

}  // namespace glimmerkin
