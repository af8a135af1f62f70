#include "tools/sim/render.h"

#include <algorithm>
#include <new>

#include "animation/scene_plan.h"
#include "animation/stage.h"
#include "draw/bmp_reader.h"
#include "draw/sheet_layout.h"
#include "resources/bitmap_resources.h"
#include "tools/sim/tiny_font.h"

namespace glimmerkin {
namespace {

struct SimPlatform final : StagePlatform {
  SimPlatform(const TraceOptions& o, int32_t size) : options(o), pixelSize(size) {}
  uint32_t CurrentTimeSeconds() override { return options.seed; }
  Settings ReadSettings() override { return Settings{kDefaultRedrawSpeed, options.aliens}; }
  int32_t ScreenWidth() override { return StageSide(options.width, pixelSize); }
  int32_t ScreenHeight() override { return StageSide(options.height, pixelSize); }
  int32_t PixelSize() override { return pixelSize; }
  ReferenceContext GetReferenceContext() override { return {}; }
  TraceOptions options;
  int32_t pixelSize;
};

bool Decode(int32_t id, DecodedBitmap& out, std::string* error) {
  const ResourceBytes bytes = FindBitmapResource(id);
  if (bytes.data == nullptr) {
    if (error) *error = "the artwork is not built into this program";
    return false;
  }
  return DecodeBmp(bytes.data, bytes.size, out, error);
}

}  // namespace

bool RenderTicks(const TraceOptions& options, int32_t pixelSize, uint32_t firstTick,
                 uint32_t count, const std::function<bool(const RenderedFrame&)>& frame,
                 std::string* error) {
  SimPlatform platform(options, pixelSize);
  Stage stage;
  CreateStage(stage, platform, nullptr);
  std::vector<uint32_t> picture;
  if (!stage.piece.Empty() && stage.spriteList) {
    try {
      picture.assign(static_cast<size_t>(options.width) * static_cast<size_t>(options.height), 0u);
    } catch (const std::bad_alloc&) {
    }
  }
  if (picture.empty()) {
    if (error) *error = "not enough memory for a stage of this size";
    DestroyStage(stage, nullptr);
    return false;
  }
  MemoryTarget screen(RasterView{picture.data(), options.width, options.height, options.width});
  RenderedFrame shown;
  shown.pixels = picture.data();
  shown.width = options.width;
  shown.height = options.height;
  bool ok = true;
  const uint64_t last = uint64_t{firstTick} + count;
  if (firstTick == 0 && count > 0) ok = frame(shown);
  for (uint64_t tick = 1; ok && tick < last; ++tick) {
    RunFrame(stage, screen);
    if (tick < firstTick) continue;
    shown.tick = static_cast<uint32_t>(tick);
    shown.changed = screen.LastChanged();
    ok = frame(shown);
  }
  DestroyStage(stage, nullptr);
  return ok;
}

void OutlineRect(uint32_t* pixels, int32_t width, int32_t height, const Rect& r, uint32_t colour) {
  const Rect in = Intersection(r, Rect{0, 0, width, height});
  if (in.Empty()) return;
  const auto put = [&](int64_t x, int64_t y) {
    pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = colour;
  };
  for (int64_t x = in.x; x < in.Right(); ++x) {
    put(x, in.y);
    put(x, in.Bottom() - 1);
  }
  for (int64_t y = in.y; y < in.Bottom(); ++y) {
    put(in.x, y);
    put(in.Right() - 1, y);
  }
}

bool RenderContactSheet(int32_t scale, std::vector<uint32_t>& pixels, int32_t& width,
                        int32_t& height, std::string* error) {
  DecodedBitmap sheet, mask, ground;
  if (!Decode(kSheetResource, sheet, error) || !Decode(kSheetMaskResource, mask, error) ||
      !Decode(kGroundResource, ground, error))
    return false;
  const Picture picture = Picture::FromBitmaps(sheet, &mask, kSheetWidth, kSheetHeight);
  const Picture tile = Picture::FromBitmaps(ground, nullptr, kGroundWidth, kGroundHeight);
  if (!picture.Loaded() || !tile.Loaded()) {
    if (error) *error = "the artwork has the wrong size";
    return false;
  }

  // Lay the cells out in rows, each enlarged with its label beneath.
  constexpr int32_t kPad = 12;
  constexpr int32_t kLabelScale = 2;
  const int32_t labelHeight = 5 * kLabelScale + 6;
  const int32_t maxWidth = std::max(1900, 345 * scale + 2 * kPad);
  struct Placed {
    SheetCell cell;
    int32_t x, y;
  };
  std::vector<Placed> placed;
  int32_t x = kPad, y = kPad, rowHeight = 0, usedWidth = 0;
  int32_t lastHeight = -1;
  for (const SheetCell& cell : SheetCells()) {
    const int32_t w = std::max(cell.width * scale, LabelWidth(cell.name, kLabelScale));
    const int32_t h = cell.height * scale + labelHeight;
    // A new kind of cell (another size) starts a new row, so rows stay tidy.
    if ((x + w + kPad > maxWidth || (lastHeight >= 0 && cell.height != lastHeight)) && x > kPad) {
      x = kPad;
      y += rowHeight + kPad;
      rowHeight = 0;
    }
    lastHeight = cell.height;
    placed.push_back({cell, x, y});
    x += w + kPad;
    usedWidth = std::max(usedWidth, x);
    rowHeight = std::max(rowHeight, h);
  }
  width = usedWidth;
  height = y + rowHeight + kPad;

  Surface canvas;
  if (!canvas.Allocate(width, height)) {
    if (error) *error = "out of memory";
    return false;
  }
  std::fill(canvas.Pixels(), canvas.Pixels() + static_cast<size_t>(width) * height, 0x202428u);
  for (const Placed& p : placed) {
    const SheetCell& c = p.cell;
    // The cell over a piece of ground at 1:1, then enlarged.
    Surface one;
    one.Allocate(c.width, c.height);
    for (int32_t oy : {0, kGroundHeight})
      for (int32_t ox : {0, kGroundWidth})
        tile.DrawWhole(ox - c.x % kGroundWidth, oy - c.y % kGroundHeight, one);
    picture.DrawCell(c.x, c.y, 0, 0, c.width, c.height, one);
    for (int32_t v = 0; v < c.height * scale; ++v)
      for (int32_t u = 0; u < c.width * scale; ++u)
        canvas.Pixels()[static_cast<size_t>(p.y + v) * width + static_cast<size_t>(p.x + u)] =
            one.At(u / scale, v / scale);
    // A thin frame marks the cell's exact bounds.
    const uint32_t frameColour = 0x5A6470u;
    for (int32_t u = -1; u <= c.width * scale; ++u) {
      canvas.Pixels()[static_cast<size_t>(p.y - 1) * width + static_cast<size_t>(p.x + u)] = frameColour;
      canvas.Pixels()[static_cast<size_t>(p.y + c.height * scale) * width + static_cast<size_t>(p.x + u)] = frameColour;
    }
    for (int32_t v = -1; v <= c.height * scale; ++v) {
      canvas.Pixels()[static_cast<size_t>(p.y + v) * width + static_cast<size_t>(p.x - 1)] = frameColour;
      canvas.Pixels()[static_cast<size_t>(p.y + v) * width + static_cast<size_t>(p.x + c.width * scale)] = frameColour;
    }
    DrawLabel(canvas.Pixels(), width, height, p.x, p.y + c.height * scale + 4, c.name, kLabelScale,
              0xE8E8E8u);
  }
  pixels.assign(canvas.Pixels(), canvas.Pixels() + static_cast<size_t>(width) * height);
  return true;
}

}  // namespace glimmerkin
