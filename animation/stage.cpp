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
  if (sheet == nullptr || draws == nullptr) return;
  // Only the cell's opaque part can change the frame: drawing just that
  // part gives the same pixels for less work.
  const Rect bounds = CellBounds(Rect{cellX, cellY, width, height});
  if (bounds.Empty()) return;
  const int64_t left = int64_t{x} + bounds.x;
  const int64_t top = int64_t{y} + bounds.y;
  if (left < INT32_MIN || left > INT32_MAX || top < INT32_MIN || top > INT32_MAX) return;
  const Rect placed{static_cast<int32_t>(left), static_cast<int32_t>(top), bounds.width,
                    bounds.height};
  const Rect onStage = Intersection(placed, stageArea);
  if (onStage.Empty()) return;
  // A frame draws one cell a sprite, so the record's room is never short;
  // should it be, the frame is shown whole without the cells beyond it.
  if (draws->size() < draws->capacity())
    draws->push_back(CellDraw{Rect{cellX + bounds.x, cellY + bounds.y, bounds.width, bounds.height},
                              placed.x, placed.y});
  else
    overflow = true;
  if (cover == nullptr) return;
  if (cover->size() < cover->capacity())
    cover->push_back(onStage);
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

void ReserveDamage(FrameDamage& damage, std::vector<CellDraw>& draws) {
  // Frames then never allocate; a vector that cannot have its room is
  // left as it is and a frame that would outgrow it is shown whole.
  try {
    draws.reserve(kDamageRoom);
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

// Stage rectangle `area` (within the stage and the piece surface) composed
// in the piece surface, from its top-left corner: the ground, then every
// cell the frame drew, in order, each cut to the area.
void ComposePiece(Stage& stage, const Rect& area) {
  if (stage.blank) {
    ClearRect(stage.piece, Rect{0, 0, area.width, area.height});
    return;
  }
  ComposeGround(stage, area, area.x, area.y, stage.piece);
  if (!stage.sheet) return;
  for (const CellDraw& draw : stage.draws) {
    const Rect in = Intersection(Rect{draw.x, draw.y, draw.cell.width, draw.cell.height}, area);
    if (in.Empty()) continue;
    stage.sheet->DrawCell(draw.cell.x + in.x - draw.x, draw.cell.y + in.y - draw.y, in.x - area.x,
                          in.y - area.y, in.width, in.height, stage.piece);
  }
}

// Composes each rectangle of `region` (stage pixels) piece by piece and
// enlarges it into the buffer, or into the strip and on to the target;
// `region` becomes what was shown, in the frame's pixels.
void ComposeRegion(Stage& stage, PresentTarget& target, const PresentBuffer& buffer,
                   std::vector<Rect>& region) {
  const int32_t size = stage.pixelSize;
  const int32_t width = buffer.strip ? buffer.width : buffer.pixels.width;
  const int32_t height = buffer.strip ? buffer.height : buffer.pixels.height;
  // A piece, enlarged, must fit in the strip.
  const int32_t pieceWidth = buffer.strip ? std::min(kPieceWidth, buffer.pixels.width / size)
                                          : kPieceWidth;
  const int32_t pieceHeight = buffer.strip ? std::min(kPieceHeight, buffer.pixels.height / size)
                                           : kPieceHeight;
  // Without its piece surface (no memory for it) a stage shows nothing.
  if (pieceWidth < 1 || pieceHeight < 1 || !stage.piece.View().Usable()) {
    region.clear();
    return;
  }
  // Where the next piece goes in the strip: rows of pieces side by side.
  int32_t stripX = 0, stripY = 0, rowHeight = 0;
  size_t kept = 0;
  for (const Rect& r : region) {
    const Rect shown = Enlarged(r, size, width, height);
    if (shown.Empty()) continue;
    // Only the stage pixels the frame shows.
    const Rect area = Intersection(r, FromEdges(shown.x / size, shown.y / size,
                                                (shown.Right() + size - 1) / size,
                                                (shown.Bottom() + size - 1) / size));
    for (int64_t y = area.y; y < area.Bottom(); y += pieceHeight) {
      for (int64_t x = area.x; x < area.Right(); x += pieceWidth) {
        const Rect piece = Intersection(
            area, Rect{static_cast<int32_t>(x), static_cast<int32_t>(y), pieceWidth, pieceHeight});
        const Rect to = Enlarged(piece, size, width, height);
        if (to.Empty()) continue;
        ComposePiece(stage, piece);
        const RasterView composed = stage.piece.View();
        const RasterView from{composed.pixels, piece.width, piece.height, composed.stride};
        RasterView into = buffer.pixels;
        int32_t intoX = to.x, intoY = to.y;
        if (buffer.strip) {
          if (stripX + to.width > into.width) {
            stripX = 0;
            stripY += rowHeight;
            rowHeight = 0;
          }
          if (stripY + to.height > into.height) {
            target.Reuse();
            stripX = stripY = rowHeight = 0;
          }
          intoX = stripX;
          intoY = stripY;
          stripX += to.width;
          rowHeight = std::max(rowHeight, to.height);
        }
        into.pixels += static_cast<size_t>(intoY) * static_cast<size_t>(into.stride) +
                       static_cast<size_t>(intoX);
        into.width = to.width;
        into.height = to.height;
        EnlargeRect(into, from, Rect{0, 0, piece.width, piece.height}, size);
        if (buffer.strip) target.Put(to, intoX, intoY);
      }
    }
    region[kept++] = shown;
  }
  region.resize(kept);
}

void Present(Stage& stage, PresentTarget& target, bool whole) {
  const PresentBuffer buffer = target.Acquire();
  if (!buffer.pixels.Usable()) return;
  std::vector<Rect>& region = stage.damage.region;
  RegionForAge(stage, whole ? kWholeFrame : buffer.age, region);
  ComposeRegion(stage, target, buffer, region);
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
  stage.piece = CreateWorkSurface(reference, kPieceWidth, kPieceHeight);

  stage.painter.sheet = stage.sheet.get();
  ReserveDamage(stage.damage, stage.draws);
  stage.painter.draws = &stage.draws;
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
  stage.blank = false;
  stage.draws.clear();
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

void PresentArea(Stage& stage, PresentTarget& target, const Rect& shown) {
  const PresentBuffer buffer = target.Acquire();
  if (!buffer.pixels.Usable() || shown.Empty()) return;
  // The stage pixels that show in it, whole.
  const int64_t size = stage.pixelSize;
  std::vector<Rect>& region = stage.damage.region;
  region.clear();
  region.push_back(Intersection(
      WholeStage(stage),
      FromEdges(shown.x < 0 ? -((-int64_t{shown.x} + size - 1) / size) : shown.x / size,
                shown.y < 0 ? -((-int64_t{shown.y} + size - 1) / size) : shown.y / size,
                (shown.Right() + size - 1) / size, (shown.Bottom() + size - 1) / size)));
  if (region[0].Empty()) return;
  ComposeRegion(stage, target, buffer, region);
  if (!region.empty()) target.Present(std::span<const Rect>(region.data(), region.size()));
}

void ResizeStage(Stage& stage, int32_t width, int32_t height) {
  if (width == stage.screenWidth && height == stage.screenHeight) return;
  stage.screenWidth = width;
  stage.screenHeight = height;
  stage.painter.stageArea = WholeStage(stage);
  stage.damage.whole = true;
  // Until the next frame the stage shows its new ground.
  stage.blank = false;
  stage.draws.clear();
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
