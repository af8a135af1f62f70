#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "animation/present.h"
#include "draw/backend.h"
#include "draw/damage.h"
#include "scene/sprite.h"
#include "settings/settings.h"

namespace glimmerkin {

// A front end's frame timer: a stage starts it when it is built and stops
// it when it is torn down.
class FrameTimer {
 public:
  // Returns the timer's identifier, 0 when none was started.
  virtual uint32_t StartTimer(uint32_t intervalMs) = 0;
  virtual void StopTimer(uint32_t timerId) = 0;

 protected:
  ~FrameTimer() = default;
};

// What building a stage asks of its platform, in this order: the clock,
// the settings, the screen's size and the drawing context its surfaces are
// made for.
class StagePlatform {
 public:
  virtual uint32_t CurrentTimeSeconds() = 0;
  virtual Settings ReadSettings() = 0;
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  virtual ReferenceContext GetReferenceContext() = 0;
  // Each stage pixel is shown as a square of this many screen pixels; the
  // screen size above is then the stage's, already divided.
  virtual int32_t PixelSize() { return 1; }

 protected:
  ~StagePlatform() = default;
};

inline constexpr int32_t kSheetWidth = 840;
inline constexpr int32_t kSheetHeight = 522;
inline constexpr int32_t kGroundWidth = 640;
inline constexpr int32_t kGroundHeight = 480;

// One cell the scene drew: the opaque part of the sheet cell, and where its
// top-left corner landed on the stage.
struct CellDraw {
  Rect cell;
  int32_t x = 0;
  int32_t y = 0;
};

// Takes the scene's cells as it draws them: each is recorded (the frame is
// composed from the record, piece by piece, also again later), and where it
// can change the frame is noted: the opaque part of the cell, cut to the
// stage. A frame with more cells than `cover` has room for is marked
// `overflow` (and is then shown whole).
class SheetPainter final : public CellPainter {
 public:
  void DrawSheetCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t width,
                     int32_t height) override;
  const Picture* sheet = nullptr;
  std::vector<CellDraw>* draws = nullptr;
  std::vector<Rect>* cover = nullptr;
  Rect stageArea;
  bool overflow = false;

 private:
  // The scene draws some hundred distinct cells: their opaque bounds are
  // worked out once each.
  struct KnownCell {
    Rect cell;
    Rect bounds;
  };
  Rect CellBounds(const Rect& cell);
  std::array<KnownCell, 512> known_{};
  size_t knownCount_ = 0;
};

// The most stage pixels composed at once: a frame is composed piece by
// piece in a surface of this size, larger rectangles cut into bands.
inline constexpr int32_t kPieceWidth = 512;
inline constexpr int32_t kPieceHeight = 128;

// The oldest buffer whose missed frames are still known; older ones (and
// buffers of unknown contents) are given the whole frame.
inline constexpr uint32_t kMaxBufferAge = 4;
// Room for one frame's rectangles: every sprite of a full list, this
// frame's and the last's, and the pieces they may be cut into.
inline constexpr size_t kDamageRoom = 4 * static_cast<size_t>(SpriteList::kCapacity) + 16;

// What a stage's frames changed: what the last frame's sprites covered and
// what this one's cover.
struct FrameDamage {
  // What the sprites covered in the last frame and in this one, in stage
  // pixels.
  std::vector<Rect> lastCover;
  std::vector<Rect> cover;
  // The rectangles each of the last frames changed, newest first; `known`
  // of them are valid.
  std::array<std::vector<Rect>, kMaxBufferAge> changed;
  uint32_t known = 0;
  // What the buffer of this frame is given, built anew each frame.
  std::vector<Rect> region;
  // The next frame is composed and shown whole: the first one, and the
  // first after a resize.
  bool whole = true;
};

struct Stage {
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  // Where each piece of a frame is composed: kPieceWidth x kPieceHeight.
  Surface piece;
  Surface imageScratch;
  Surface maskScratch;
  // The ground tile, kept: every piece of a frame starts from it and from
  // the caption cell of the sheet.
  std::unique_ptr<Picture> ground;
  std::unique_ptr<Picture> sheet;
  std::unique_ptr<SpriteList> spriteList;
  uint32_t timerId = 0;
  Settings settings;
  SheetPainter painter;
  int32_t pixelSize = 1;
  // The generator as this stage's scene left it: several stages (one per
  // monitor) share the one generator, each continuing its own sequence.
  uint32_t randomState = 0;
  FrameDamage damage;
  // The cells the last frame drew, in order: with the ground, the frame as
  // it stands, for any part of it to be composed again.
  std::vector<CellDraw> draws;
  // Black until the first frame (or a resize, which shows the ground).
  bool blank = true;
};

// The frame interval for a redraw speed: 165 - 15 x speed for speeds 1..10,
// and for hand-edited speeds never below 15 ms nor above a minute.
uint32_t FrameIntervalMs(int32_t redrawSpeed);

// The first aliens, at random places, kinds alternating from kind 1. Stops
// once the list is full, so an absurd count neither loops nor draws on.
void PlaceFirstAliens(SpriteList& list, int32_t alienCount);

// Builds the stage and, given a timer, starts it at the redraw speed's
// interval.
void CreateStage(Stage& stage, StagePlatform& platform, FrameTimer* timer);
// One frame: the scene steps and draws, and what changed (what the last
// frame's sprites covered and what this one's cover) is composed afresh
// from the ground and the cells drawn, enlarged into the target's buffer
// and handed to it. Nothing outside the change is touched.
void RunFrame(Stage& stage, PresentTarget& target);
// The next frame is composed and shown whole.
void RepaintWhole(Stage& stage);
// Shows the frame as it stands, whole, without a step: the ground of a
// stage just resized, black before the first frame.
void PresentWhole(Stage& stage, PresentTarget& target);
// Shows the last frame again, without a step, through a target whose buffer
// missed it: what that buffer lacks by its age.
void PresentAgain(Stage& stage, PresentTarget& target);
// Composes `shown` (in the target's pixels: a window uncovered) afresh from
// the frame as it stands and shows it, without a step.
void PresentArea(Stage& stage, PresentTarget& target, const Rect& shown);
void DestroyStage(Stage& stage, FrameTimer* timer);
// The stage's timer runs only while what it drives can be seen: stopped when
// not, started again (a whole interval) when it is.
void FollowSight(Stage& stage, FrameTimer& timer, bool seen);

// The ground of stage rectangle `area` (cut to the stage) drawn into
// `target`, whose top-left corner stands for stage point (originX, originY):
// the ground tiles from the top left, 640 x 480 each, copied plainly, then
// the caption cell masked at (width - 325, height - 37). The same pixels as
// a screen-sized copy of the ground, without one.
void ComposeGround(const Stage& stage, const Rect& area, int32_t originX, int32_t originY,
                   Surface& target);

// A new stage size (a window resized): the ground is shown at that size
// until the next frame, and the sprites go on walking within the new bounds.
void ResizeStage(Stage& stage, int32_t width, int32_t height);

}  // namespace glimmerkin
