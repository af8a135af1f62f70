#include "animation/scene_pace.h"

#include <algorithm>

namespace glimmerkin {
namespace {

constexpr int64_t kFirstFrameNs = 1'000'000'000;

}  // namespace

void ScenePace::Start(int64_t nowNs, uint32_t intervalMs, std::optional<uint32_t> limit) {
  intervalNs_ = std::max<int64_t>(1, int64_t{intervalMs} * 1'000'000);
  nextNs_ = nowNs + std::min(intervalNs_, kFirstFrameNs);
  frames_ = 0;
  limit_ = limit;
  running_ = !limit_ || *limit_ > 0;
}

void ScenePace::Ran(int64_t nowNs) {
  ++frames_;
  if (limit_ && frames_ >= *limit_) running_ = false;
  // One interval on; after a stall or a rest, one interval from now.
  nextNs_ += intervalNs_;
  if (nextNs_ <= nowNs) nextNs_ = nowNs + intervalNs_;
}

}  // namespace glimmerkin
