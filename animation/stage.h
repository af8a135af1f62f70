#pragma once
#include <cstdint>
#include <memory>

#include "draw/backend.h"
#include "scene/sprite.h"
#include "settings/settings.h"

namespace glimmerkin {

// What creating and tearing down a Stage needs from its platform: the clock,
// the settings, the screen, the window's drawing context and the frame timer.
class StagePlatform {
 public:
  virtual uint32_t CurrentTimeSeconds() = 0;
  virtual Settings ReadSettings() = 0;
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  virtual ReferenceContext GetReferenceContext() = 0;
  // Returns the timer's identifier, 0 when none was started.
  virtual uint32_t StartTimer(uint32_t intervalMs) = 0;
  virtual void StopTimer(uint32_t timerId) = 0;
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

// Draws the scene's cells from the sheet into the back buffer.
class SheetPainter final : public CellPainter {
 public:
  void DrawSheetCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y, int32_t width,
                     int32_t height) override;
  const Picture* sheet = nullptr;
  Surface* target = nullptr;
};

struct Stage {
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  Surface backBuffer;
  Surface backgroundSurface;
  Surface imageScratch;
  Surface maskScratch;
  std::unique_ptr<Picture> sheet;
  std::unique_ptr<SpriteList> spriteList;
  uint32_t timerId = 0;
  Settings settings;
  SheetPainter painter;
  int32_t pixelSize = 1;
  // The generator as this stage's scene left it: several stages (one per
  // monitor) share the one generator, each continuing its own sequence.
  uint32_t randomState = 0;
};

// The frame interval for a redraw speed: 165 - 15 x speed for speeds 1..10,
// and for hand-edited speeds never below 15 ms nor above a minute.
uint32_t FrameIntervalMs(int32_t redrawSpeed);

// The first aliens, at random places, kinds alternating from kind 1. Stops
// once the list is full, so an absurd count neither loops nor draws on.
void PlaceFirstAliens(SpriteList& list, int32_t alienCount);

void CreateStage(Stage& stage, StagePlatform& platform);
void RunFrame(Stage& stage, const FrameTarget& target);
void DestroyStage(Stage& stage, StagePlatform& platform);

// A new stage size (a window resized): the background is composed anew at
// that size and the sprites go on walking within the new bounds. A size the
// memory cannot hold leaves the surfaces empty: nothing is drawn.
void ResizeStage(Stage& stage, StagePlatform& platform, int32_t width, int32_t height);

}  // namespace glimmerkin
