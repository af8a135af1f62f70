// The window's pixels: the server keeps them; frames put what changed, and
// an uncovered part is composed afresh from the scenes as they stand.
// Before the X headers, whose macros would replace its names.
#include "host/linux/run_plan.h"
#include "host/x11/x11_saver_class.h"

#include <algorithm>

namespace glimmerkin::x11 {

// A stage of the window's own size follows the window: the ground is
// composed anew and the aliens walk within the new bounds.
void X11Saver::ReshapeStage() {
  stageRect_ = Rect{0, 0, std::max(windowWidth_, 1), std::max(windowHeight_, 1)};
  if (scenes_.Count() != 0) {
    Stage& stage = scenes_.StageAt(0);
    ResizeStage(stage, StageSide(stageRect_.width, stage.pixelSize),
                StageSide(stageRect_.height, stage.pixelSize));
  }
  MakeTargets();
}

// Frames reach the part of the window the stage covers; what it shows
// there is unknown until each scene has been shown whole.
void X11Saver::ResizeImage() {
  image_.Resize(std::min(windowWidth_, stageRect_.width),
                std::min(windowHeight_, stageRect_.height));
}

// Each scene's frame as it stands (its last frame, or the ground of a stage
// just resized) goes to the window whole, so that the window shows it also
// once frames have stopped.
void X11Saver::ShowStagesWhole() {
  for (size_t i = 0; i < scenes_.Count(); ++i) PresentWhole(scenes_.StageAt(i), targets_[i]);
  XFlush(display_);
}

// The exposed part of the window (in window pixels) composed afresh from
// each scene it shows.
void X11Saver::ShowExposed(const Rect& exposed) {
  for (size_t i = 0; i < scenes_.Count(); ++i) {
    const SceneArea& area = scenes_.AreaAt(i);
    PresentArea(scenes_.StageAt(i), targets_[i],
                Rect{exposed.x - area.x, exposed.y - area.y, exposed.width, exposed.height});
  }
}

// A target per scene, each its area of the window; a window's one scene
// covers it from its corner, as large as the stage enlarged.
void X11Saver::MakeTargets() {
  targets_.clear();
  for (size_t i = 0; i < scenes_.Count(); ++i) {
    SceneArea area = scenes_.AreaAt(i);
    if (kind_ != WindowKind::FullScreen) {
      const Stage& stage = scenes_.StageAt(i);
      area.width = stage.screenWidth * stage.pixelSize;
      area.height = stage.screenHeight * stage.pixelSize;
    }
    targets_.emplace_back(image_, area, window_, gc_);
  }
}

}  // namespace glimmerkin::x11
