#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "animation/scene_pace.h"
#include "animation/scene_plan.h"
#include "animation/stage.h"

namespace glimmerkin {

// One stage per monitor, all driven by the one frame timer that the first
// (the primary monitor's) stage starts, or each paced on its own by a front
// end that waits for its frames itself. Each stage is built exactly as a
// lone stage of its size and seed would be, so the primary monitor shows the
// very scene a single-monitor screen of its size shows.
//
// A scene that cannot be seen runs no frame: its scene does not step, so it
// goes on from the tick it reached once it can be seen again. While no scene
// is seen the timer is stopped; it starts again, a whole interval, when one
// is.
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

  // What the front end learnt of every scene, or of one.
  void Report(Unseen why, bool holds);
  void Report(size_t index, Unseen why, bool holds);
  bool Seen(size_t index) const { return paces_[index].Sight().Seen(); }
  bool AnySeen() const;

  // One frame of every scene that can be seen, in plan order (a timer
  // message); targetFor(index) is the PresentTarget scene `index` is shown
  // through.
  template <class TargetFor>
  void RunFrames(TargetFor&& targetFor) {
    for (size_t i = 0; i < stages_.size(); ++i)
      if (Seen(i)) RunFrame(*stages_[i], targetFor(i));
  }

  // Front ends without a timer: each scene paced on its own from nowNs, at
  // most `limit` frames each.
  void StartPacing(int64_t nowNs, std::optional<uint32_t> limit);
  // A frame of every scene that is seen and due; false when none was.
  template <class TargetFor>
  bool RunDueFrames(int64_t nowNs, TargetFor&& targetFor) {
    bool ran = false;
    for (size_t i = 0; i < stages_.size(); ++i) {
      if (!paces_[i].Due(nowNs)) continue;
      RunFrame(*stages_[i], targetFor(i));
      paces_[i].Ran(nowNs);
      ran = true;
    }
    return ran;
  }
  // When the next paced frame is due, kNoWake while none can come.
  int64_t NextFrameNs() const;
  const ScenePace& PaceAt(size_t index) const { return paces_[index]; }

 private:
  void FollowTimer(bool wasSeen);

  std::vector<std::unique_ptr<Stage>> stages_;
  std::vector<SceneArea> areas_;
  std::vector<ScenePace> paces_;
  FrameTimer* timer_ = nullptr;
  uint32_t intervalMs_ = 0;
};

}  // namespace glimmerkin
