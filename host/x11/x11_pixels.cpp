// The window's pixels: the image each scene's frames go into, kept the
// window's size, and shown again whole when it is made anew.
// Before the X headers, whose macros would replace its names.
#include "host/linux/run_plan.h"
#include "host/x11/x11_saver_class.h"

#include <algorithm>


namespace glimmerkin::x11 {

// A stage of the window's own size follows the window: the ground is
// composed anew and the aliens walk within the new bounds.
void X11Saver::ReshapeStage() {
  UnshareBackBuffer();
  stageRect_ = Rect{0, 0, std::max(windowWidth_, 1), std::max(windowHeight_, 1)};
  if (scenes_.Count() != 0) {
    Stage& stage = scenes_.StageAt(0);
    ResizeStage(stage, nullptr, StageSide(stageRect_.width, stage.pixelSize),
                StageSide(stageRect_.height, stage.pixelSize));
  }
  MakeTargets();
}

// The image covers the part of the window that the frame reaches.
bool X11Saver::ResizeImage() {
  // The back buffer may live in the old image; it gets memory of its own
  // before that image goes.
  UnshareBackBuffer();
  const int width = std::min(windowWidth_, stageRect_.width);
  const int height = std::min(windowHeight_, stageRect_.height);
  if (!image_.Create(display_, visual_, depth_, width, height)) return false;
  ShareBackBuffer();
  return true;
}

// When the window's image has the frame's format and whole size, the
// frame is composed right in it: putting the image is then the one copy
// to the window, with no second copy in between.
void X11Saver::ShareBackBuffer() {
  const RasterView& view = image_.View();
  Stage* stage = SharableStage();
  if (stage == nullptr || stage->backBuffer.Empty() || stage->pixelSize != 1 ||
      !image_.Direct() || view.pixels == nullptr || view.width != stage->screenWidth ||
      view.height != stage->screenHeight || view.stride != view.width)
    return;
  // The back buffer keeps its frame, in the image now.
  Surface shared;
  shared.UseMemory(view.pixels, view.width, view.height);
  CopySurface(shared, stage->backBuffer, view.width, view.height);
  stage->backBuffer = std::move(shared);
}

// The back buffer takes its frame along out of the image.
void X11Saver::UnshareBackBuffer() {
  Stage* stage = SharableStage();
  if (stage != nullptr && stage->backBuffer.UsesOutsideMemory()) {
    Surface own = CreateWorkSurface(nullptr, stage->screenWidth, stage->screenHeight);
    CopySurface(own, stage->backBuffer, stage->screenWidth, stage->screenHeight);
    stage->backBuffer = std::move(own);
  }
}

// A new image holds nothing yet: each scene's stage goes into it whole
// (its last frame, or the ground of a stage just resized), so that the
// window shows it also once frames have stopped.
void X11Saver::ShowStagesWhole() {
  pending_.clear();
  for (size_t i = 0; i < scenes_.Count(); ++i) PresentWhole(scenes_.StageAt(i), targets_[i]);
  if (window_ != 0) image_.Put(window_, gc_, std::span<const Rect>(pending_.data(), pending_.size()));
}

// A target per scene, each its area of the window image; a window's one
// scene covers it from its corner, as large as the stage enlarged.
void X11Saver::MakeTargets() {
  targets_.clear();
  pending_.clear();
  pending_.reserve(kDamageRoom * std::max<size_t>(scenes_.Count(), 1));
  for (size_t i = 0; i < scenes_.Count(); ++i) {
    SceneArea area = scenes_.AreaAt(i);
    if (kind_ != WindowKind::FullScreen) {
      const Stage& stage = scenes_.StageAt(i);
      area.width = stage.screenWidth * stage.pixelSize;
      area.height = stage.screenHeight * stage.pixelSize;
    }
    targets_.emplace_back(image_, area, pending_);
  }
}

// The one stage whose frame can be the whole window image: the only scene,
// when it covers the window from its corner.
Stage* X11Saver::SharableStage() {
  if (scenes_.Count() != 1 || scenes_.AreaAt(0).x != 0 || scenes_.AreaAt(0).y != 0)
    return nullptr;
  return &scenes_.StageAt(0);
}

}  // namespace glimmerkin::x11
