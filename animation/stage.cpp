#include "animation/stage.h"

#include <algorithm>
#include <new>

#include "resources/bitmap_resources.h"
#include "scene/alien.h"
#include "scene/random.h"

namespace glimmerkin {

void SheetPainter::DrawSheetCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y,
                                 int32_t width, int32_t height) {
  if (sheet != nullptr && target != nullptr)
    sheet->DrawCell(cellX, cellY, x, y, width, height, *target);
}

uint32_t FrameIntervalMs(int32_t redrawSpeed) {
  const int64_t interval = (int64_t{11} - redrawSpeed) * 15;
  if (interval < 15) return 15;
  if (interval > 60000) return 60000;
  return static_cast<uint32_t>(interval);
}

void PlaceFirstAliens(SpriteList& list, int32_t alienCount) {
  for (int32_t i = 0; i < alienCount && list.Count() < SpriteList::kCapacity; ++i) {
    const int32_t y = RandomBelow(list.ScreenHeight() - 70);
    const int32_t x = RandomBelow(list.ScreenWidth() - 70);
    AddNew<Alien>(list, x, y, (i + 1) % 2, 1);
  }
}

namespace {

// Tiles the ground over the background and puts the caption strip at its
// bottom right. The loops run one row and one column beyond those needed;
// that last row and column fall wholly outside and leave no mark.
void ComposeBackground(Stage& stage, const Picture* ground) {
  if (ground != nullptr) {
    const int32_t rows = static_cast<int32_t>((int64_t{stage.screenHeight} + 479) / 480 + 1);
    const int32_t columns = static_cast<int32_t>((int64_t{stage.screenWidth} + 639) / 640 + 1);
    for (int32_t i = 0; i < rows; ++i)
      for (int32_t j = 0; j < columns; ++j)
        ground->DrawWhole(640 * j, 480 * i, stage.backgroundSurface);
  }
  if (stage.sheet)
    stage.sheet->DrawCell(493, 490, stage.screenWidth - 325, stage.screenHeight - 37, 345, 32,
                          stage.backgroundSurface);
}

std::unique_ptr<Picture> LoadGround(Stage& stage) {
  return std::unique_ptr<Picture>(new (std::nothrow) Picture(
      kGroundResource, kGroundWidth, kGroundHeight, stage.imageScratch));
}

}  // namespace

void CreateStage(Stage& stage, StagePlatform& platform) {
  SeedRandom(platform.CurrentTimeSeconds());
  stage.settings = platform.ReadSettings();
  stage.screenWidth = platform.ScreenWidth();
  stage.screenHeight = platform.ScreenHeight();
  stage.pixelSize = std::clamp(platform.PixelSize(), 1, 4);
  const ReferenceContext reference = platform.GetReferenceContext();
  stage.imageScratch = CreateScratchSurface(reference);
  stage.maskScratch = CreateScratchSurface(reference);

  // Allocation failures leave the pieces empty: a stage without a picture
  // draws nothing of it rather than failing.
  std::unique_ptr<Picture> ground = LoadGround(stage);
  stage.sheet.reset(new (std::nothrow) Picture(kSheetResource, kSheetMaskResource, kSheetWidth,
                                               kSheetHeight, stage.imageScratch,
                                               stage.maskScratch));
  stage.backBuffer = CreateWorkSurface(reference, stage.screenWidth, stage.screenHeight);
  stage.backgroundSurface = CreateWorkSurface(reference, stage.screenWidth, stage.screenHeight);
  ComposeBackground(stage, ground.get());
  ground.reset();

  stage.painter.sheet = stage.sheet.get();
  stage.painter.target = &stage.backBuffer;
  stage.spriteList.reset(new (std::nothrow) SpriteList(stage.screenWidth, stage.screenHeight,
                                                       &stage.painter));
  if (stage.spriteList) PlaceFirstAliens(*stage.spriteList, stage.settings.alienCount);
  stage.randomState = RandomState();

  stage.timerId = platform.StartTimer(FrameIntervalMs(stage.settings.redrawSpeed));
}

void RunFrame(Stage& stage, const FrameTarget& target) {
  CopySurface(stage.backBuffer, stage.backgroundSurface, stage.screenWidth, stage.screenHeight);
  if (stage.spriteList) {
    SeedRandom(stage.randomState);
    stage.spriteList->Tick();
    stage.randomState = RandomState();
  }
  PresentSurface(target, stage.backBuffer, stage.screenWidth, stage.screenHeight,
                 stage.pixelSize);
}

void ResizeStage(Stage& stage, StagePlatform& platform, int32_t width, int32_t height) {
  if (width == stage.screenWidth && height == stage.screenHeight) return;
  stage.screenWidth = width;
  stage.screenHeight = height;
  const ReferenceContext reference = platform.GetReferenceContext();
  std::unique_ptr<Picture> ground = LoadGround(stage);
  // The old surfaces go first, so that the two sizes never need memory at once.
  stage.backBuffer = Surface();
  stage.backgroundSurface = Surface();
  stage.backBuffer = CreateWorkSurface(reference, width, height);
  stage.backgroundSurface = CreateWorkSurface(reference, width, height);
  ComposeBackground(stage, ground.get());
  if (stage.spriteList) stage.spriteList->SetScreenSize(width, height);
}

void DestroyStage(Stage& stage, StagePlatform& platform) {
  if (stage.timerId != 0) {
    platform.StopTimer(stage.timerId);
    stage.timerId = 0;
  }
  stage.spriteList.reset();
  stage.painter.sheet = nullptr;
  stage.sheet.reset();
}

}  // namespace glimmerkin
