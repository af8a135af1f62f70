#include "animation/stage.h"

#include <algorithm>
#include <climits>
#include <new>

#include "resources/bitmap_resources.h"
#include "scene/alien.h"
#include "scene/random.h"

namespace glimmerkin {

void SheetPainter::DrawSheetCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y,
                                 int32_t width, int32_t height) {
  if (sheet == nullptr || target == nullptr) return;
  // Only the cell's opaque part can change the target: drawing just that
  // part gives the same pixels for less work.
  const Rect bounds = CellBounds(Rect{cellX, cellY, width, height});
  if (bounds.Empty()) return;
  const int64_t left = int64_t{x} + bounds.x;
  const int64_t top = int64_t{y} + bounds.y;
  if (left < INT32_MIN || left > INT32_MAX || top < INT32_MIN || top > INT32_MAX) return;
  sheet->DrawCell(cellX + bounds.x, cellY + bounds.y, static_cast<int32_t>(left),
                  static_cast<int32_t>(top), bounds.width, bounds.height, *target);
  if (cover == nullptr) return;
  const Rect placed = Intersection(
      Rect{static_cast<int32_t>(left), static_cast<int32_t>(top), bounds.width, bounds.height},
      stageArea);
  if (placed.Empty()) return;
  if (cover->size() < cover->capacity())
    cover->push_back(placed);
  else
    overflow = true;
}

Rect SheetPainter::CellBounds(const Rect& cell) {
  for (size_t i = 0; i < knownCount_; ++i)
    if (known_[i].cell == cell) return known_[i].bounds;
  const Rect bounds = sheet->OpaqueBounds(cell.x, cell.y, cell.width, cell.height);
  if (knownCount_ < known_.size()) known_[knownCount_++] = KnownCell{cell, bounds};
  return bounds;
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


void ReserveDamage(FrameDamage& damage) {
  // Frames then never allocate; a vector that cannot have its room is
  // left as it is and a frame that would outgrow it is shown whole.
  try {
    damage.lastCover.reserve(kDamageRoom);
    damage.cover.reserve(kDamageRoom);
    for (auto& changed : damage.changed) changed.reserve(kDamageRoom);
    damage.region.reserve(kDamageRoom * kMaxBufferAge);
  } catch (const std::bad_alloc&) {
  }
}

// The rectangles in `from` appended to `to`; false when they do not fit.
bool Append(std::vector<Rect>& to, const std::vector<Rect>& from) {
  if (to.size() + from.size() > to.capacity()) return false;
  to.insert(to.end(), from.begin(), from.end());
  return true;
}

Rect WholeStage(const Stage& stage) {
  return Rect{0, 0, stage.screenWidth, stage.screenHeight};
}

// The stage pixels a buffer of this age lacks (all of them for
// kWholeFrame).
constexpr uint32_t kWholeFrame = UINT32_MAX;
void RegionForAge(const Stage& stage, uint32_t age, std::vector<Rect>& region) {
  const FrameDamage& damage = stage.damage;
  region.clear();
  if (age == 0 || age > damage.known) {
    region.push_back(WholeStage(stage));
    return;
  }
  for (uint32_t k = 0; k < age; ++k) {
    if (!Append(region, damage.changed[k])) {
      region.assign(1, WholeStage(stage));
      return;
    }
  }
  if (age > 1) MergeDamage(region);
}

void Present(Stage& stage, PresentTarget& target, bool whole) {
  const RasterView back = stage.backBuffer.View();
  if (!back.Usable()) return;
  const PresentBuffer buffer = target.Acquire();
  if (!buffer.pixels.Usable()) return;
  std::vector<Rect>& region = stage.damage.region;
  RegionForAge(stage, whole ? kWholeFrame : buffer.age, region);
  // A back buffer that is the target's own memory already holds the frame.
  const bool inPlace = buffer.pixels.pixels == back.pixels;
  size_t kept = 0;
  for (const Rect& r : region) {
    if (!inPlace) EnlargeRect(buffer.pixels, back, r, stage.pixelSize);
    const Rect shown = Enlarged(r, stage.pixelSize, buffer.pixels.width, buffer.pixels.height);
    if (!shown.Empty()) region[kept++] = shown;
  }
  region.resize(kept);
  if (!region.empty()) target.Present(std::span<const Rect>(region.data(), region.size()));
}

}  // namespace

void ComposeGround(const Stage& stage, const Rect& area, int32_t originX, int32_t originY,
                   Surface& target) {
  const Rect r = Intersection(area, WholeStage(stage));
  if (r.Empty()) return;
  const auto at = [&](const Rect& piece) {
    return Rect{piece.x - originX, piece.y - originY, piece.width, piece.height};
  };
  // The ground is tiled from the top left: the tiles the area reaches, each
  // cut to it. Without its picture the ground is black.
  for (int32_t i = r.y / kGroundHeight; i <= (r.Bottom() - 1) / kGroundHeight; ++i) {
    for (int32_t j = r.x / kGroundWidth; j <= (r.Right() - 1) / kGroundWidth; ++j) {
      const Rect piece = Intersection(
          r, Rect{kGroundWidth * j, kGroundHeight * i, kGroundWidth, kGroundHeight});
      const Rect to = at(piece);
      if (stage.ground && stage.ground->Loaded())
        stage.ground->DrawCell(piece.x - kGroundWidth * j, piece.y - kGroundHeight * i, to.x,
                               to.y, to.width, to.height, target);
      else
        ClearRect(target, to);
    }
  }
  // The caption strip, masked, at the bottom right; its last 20 columns
  // fall outside the stage.
  if (!stage.sheet) return;
  const Rect caption{stage.screenWidth - 325, stage.screenHeight - 37, 345, 32};
  const Rect piece = Intersection(r, caption);
  if (piece.Empty()) return;
  const Rect to = at(piece);
  stage.sheet->DrawCell(493 + piece.x - caption.x, 490 + piece.y - caption.y, to.x, to.y,
                        to.width, to.height, target);
}

void CreateStage(Stage& stage, StagePlatform& platform, FrameTimer* timer) {
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
  stage.ground.reset(new (std::nothrow) Picture(kGroundResource, kGroundWidth, kGroundHeight,
                                               stage.imageScratch));
  stage.sheet.reset(new (std::nothrow) Picture(kSheetResource, kSheetMaskResource, kSheetWidth,
                                               kSheetHeight, stage.imageScratch,
                                               stage.maskScratch));
  stage.backBuffer = CreateWorkSurface(reference, stage.screenWidth, stage.screenHeight);

  stage.painter.sheet = stage.sheet.get();
  stage.painter.target = &stage.backBuffer;
  ReserveDamage(stage.damage);
  stage.painter.cover = &stage.damage.cover;
  stage.painter.stageArea = WholeStage(stage);
  stage.damage.whole = true;
  stage.spriteList.reset(new (std::nothrow) SpriteList(stage.screenWidth, stage.screenHeight,
                                                       &stage.painter));
  if (stage.spriteList) PlaceFirstAliens(*stage.spriteList, stage.settings.alienCount);
  stage.randomState = RandomState();

  stage.timerId =
      timer != nullptr ? timer->StartTimer(FrameIntervalMs(stage.settings.redrawSpeed)) : 0;
}

void RunFrame(Stage& stage, PresentTarget& target) {
  FrameDamage& damage = stage.damage;
  if (damage.whole) {
    ComposeGround(stage, WholeStage(stage), 0, 0, stage.backBuffer);
  } else {
    for (const Rect& r : damage.lastCover) ComposeGround(stage, r, 0, 0, stage.backBuffer);
  }
  damage.cover.clear();
  stage.painter.overflow = false;
  if (stage.spriteList) {
    SeedRandom(stage.randomState);
    stage.spriteList->Tick();
    stage.randomState = RandomState();
  }
  MergeDamage(damage.cover);

  // The oldest record makes room for this frame's.
  std::rotate(damage.changed.begin(), damage.changed.end() - 1, damage.changed.end());
  std::vector<Rect>& now = damage.changed[0];
  now.clear();
  // A frame whose cells did not all fit in the record is shown whole, and
  // so is the next, which cannot know what to restore.
  const bool overflow = stage.painter.overflow;
  bool whole = damage.whole || overflow;
  if (!whole) {
    whole = !Append(now, damage.lastCover) || !Append(now, damage.cover);
    if (!whole) MergeDamage(now);
  }
  if (whole) {
    now.assign(1, WholeStage(stage));
    damage.known = 1;
  } else {
    damage.known = std::min(damage.known + 1, kMaxBufferAge);
  }
  damage.lastCover.assign(damage.cover.begin(), damage.cover.end());
  damage.whole = overflow;
  Present(stage, target, false);
}

void RepaintWhole(Stage& stage) { stage.damage.whole = true; }

void PresentWhole(Stage& stage, PresentTarget& target) { Present(stage, target, true); }

void PresentAgain(Stage& stage, PresentTarget& target) { Present(stage, target, false); }

void ResizeStage(Stage& stage, ReferenceContext reference, int32_t width, int32_t height) {
  if (width == stage.screenWidth && height == stage.screenHeight) return;
  stage.screenWidth = width;
  stage.screenHeight = height;
  stage.painter.stageArea = WholeStage(stage);
  stage.damage.whole = true;
  // The old surface goes first, so that the two sizes never need memory at once.
  stage.backBuffer = Surface();
  stage.backBuffer = CreateWorkSurface(reference, width, height);
  // Until the next frame the stage shows its new ground.
  ComposeGround(stage, WholeStage(stage), 0, 0, stage.backBuffer);
  if (stage.spriteList) stage.spriteList->SetScreenSize(width, height);
}

void FollowSight(Stage& stage, FrameTimer& timer, bool seen) {
  if (!seen && stage.timerId != 0) {
    timer.StopTimer(stage.timerId);
    stage.timerId = 0;
  } else if (seen && stage.timerId == 0) {
    stage.timerId = timer.StartTimer(FrameIntervalMs(stage.settings.redrawSpeed));
  }
}

void DestroyStage(Stage& stage, FrameTimer* timer) {
  if (stage.timerId != 0) {
    if (timer != nullptr) timer->StopTimer(stage.timerId);
    stage.timerId = 0;
  }
  stage.spriteList.reset();
  stage.painter.sheet = nullptr;
  stage.sheet.reset();
  stage.ground.reset();
}

}  // namespace glimmerkin
