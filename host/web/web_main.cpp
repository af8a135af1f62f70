// The web page's side of the scene: the page's script calls these functions,
// and reads the finished canvas pixels straight out of the module's memory.
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "animation/stage.h"
#include "host/frame_clock.h"
#include "host/web/page_options.h"

namespace glimmerkin {
namespace {

struct WebPlatform final : StagePlatform, FrameTimer {
  uint32_t CurrentTimeSeconds() override { return seed; }
  Settings ReadSettings() override { return Settings{speed, aliens, 0}; }
  int32_t ScreenWidth() override { return width; }
  int32_t ScreenHeight() override { return height; }
  ReferenceContext GetReferenceContext() override { return {}; }
  uint32_t StartTimer(uint32_t intervalMs) override {
    clock.Start(nowNs, intervalMs);
    return 1;
  }
  void StopTimer(uint32_t) override { clock.Stop(); }
  int32_t PixelSize() override { return pixelSize; }

  uint32_t seed = 0;
  int32_t speed = kDefaultRedrawSpeed;
  int32_t aliens = kDefaultAlienCount;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pixelSize = 1;
  int64_t nowNs = 0;
  FrameClock clock;
};

// The canvas's pixels in the module's memory: what changed is made canvas
// pixels in place and listed for the page's script, which puts just those
// rectangles. The memory keeps the last frame, so it is one frame behind
// unless it was just made.
class CanvasTarget final : public PresentTarget {
 public:
  CanvasTarget() { changed_.reserve(kDamageRoom * kMaxBufferAge); }
  void Reset(uint32_t* pixels, int32_t width, int32_t height) {
    view_ = RasterView{pixels, width, height, width};
    age_ = 0;
    changed_.clear();
  }
  PresentBuffer Acquire() override { return PresentBuffer{view_, age_}; }
  void Present(std::span<const Rect> changed) override {
    age_ = 1;
    for (const Rect& r : changed) {
      ToCanvasPixels(view_, r);
      // Rectangles the script has not put yet stay listed.
      if (changed_.size() < changed_.capacity()) {
        changed_.push_back(r);
      } else {
        changed_.assign(1, Rect{0, 0, view_.width, view_.height});
        break;
      }
    }
  }
  // The rectangles to put, as x, y, width, height; the script takes them.
  const int32_t* Changed() const { return reinterpret_cast<const int32_t*>(changed_.data()); }
  int32_t ChangedCount() const { return static_cast<int32_t>(changed_.size()); }
  void Taken() { changed_.clear(); }

 private:
  RasterView view_;
  uint32_t age_ = 0;
  std::vector<Rect> changed_;
};
static_assert(sizeof(Rect) == 4 * sizeof(int32_t), "the script reads rectangles as four ints");

struct Page {
  char query[2048] = {};
  PageOptions options;
  WebPlatform platform;
  Stage stage;
  bool created = false;
  CanvasPlan plan;
  std::vector<uint32_t> canvas;
  CanvasTarget target;
  uint32_t ticksLeft = 0;
};

Page& ThePage() {
  static Page page;
  return page;
}

int64_t MsToNs(double ms) {
  if (!(ms >= 0) || ms > 1e15) return 0;
  return static_cast<int64_t>(ms * 1e6);
}

// Allocation failures abort in this runtime instead of throwing, so the
// memory a size needs is asked for once, plainly, before any surface is made.
bool MemoryFor(const CanvasPlan& plan) {
  const size_t bytes =
      static_cast<size_t>(plan.canvasWidth) * plan.canvasHeight * sizeof(uint32_t) +
      (size_t{1} << 20);
  void* probe = std::malloc(bytes);
  if (probe == nullptr) return false;
  std::free(probe);
  return true;
}

bool AllocateCanvas(Page& page) {
  page.canvas.clear();
  page.canvas.shrink_to_fit();
  page.canvas.resize(static_cast<size_t>(page.plan.canvasWidth) * page.plan.canvasHeight);
  page.target.Reset(page.canvas.data(), page.plan.canvasWidth, page.plan.canvasHeight);
  return true;
}

void Frame(Page& page) { RunFrame(page.stage, page.target); }

}  // namespace
}  // namespace glimmerkin

using glimmerkin::ThePage;

extern "C" {

// Where the page's script writes location.search (NUL-terminated) before
// glimmerkin_start.
EMSCRIPTEN_KEEPALIVE char* glimmerkin_query_buffer() { return ThePage().query; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_query_capacity() {
  return static_cast<int>(sizeof(ThePage().query));
}

// Builds the stage for a window of cssWidth x cssHeight CSS pixels. Returns 1
// when the stage exists (it may still be empty when memory is short).
EMSCRIPTEN_KEEPALIVE int glimmerkin_start(double cssWidth, double cssHeight,
                                          double devicePixelRatio, double clockSeconds,
                                          double nowMs) {
  using namespace glimmerkin;
  Page& page = ThePage();
  if (page.created) return 1;
  page.query[sizeof(page.query) - 1] = '\0';
  page.options = ParsePageQuery(std::string_view(page.query, std::strlen(page.query)));
  if (page.options.bench) {
    // The benchmark's stage: 1920x1080 at one pixel a pixel.
    page.options.fixedSize = true;
    page.options.width = 1920;
    page.options.height = 1080;
    devicePixelRatio = 1;
  }
  page.plan = PlanCanvas(page.options, cssWidth, cssHeight, devicePixelRatio);
  if (!MemoryFor(page.plan)) page.plan = CanvasPlan{1, 1, 1, 1, 1};
  const double clock = clockSeconds >= 0 && clockSeconds < 4294967296.0 ? clockSeconds : 0;
  page.platform.seed = page.options.hasSeed ? page.options.seed : static_cast<uint32_t>(clock);
  page.platform.speed = page.options.speed;
  page.platform.aliens = page.options.aliens;
  page.platform.width = page.plan.stageWidth;
  page.platform.height = page.plan.stageHeight;
  page.platform.pixelSize = page.plan.pixelSize;
  page.platform.nowNs = MsToNs(nowMs);
  AllocateCanvas(page);
  CreateStage(page.stage, page.platform, &page.platform);
  page.created = true;
  page.ticksLeft = page.options.hasTicks ? page.options.ticks : 0;
  // Until the first frame the canvas shows the empty back buffer, as the
  // saver's window does until its first timer message.
  PresentWhole(page.stage, page.target);
  return 1;
}

// A new window size or pixel ratio. Returns 1 when the canvas changed size
// (it then holds the new background until the next frame), 0 otherwise.
EMSCRIPTEN_KEEPALIVE int glimmerkin_resize(double cssWidth, double cssHeight,
                                           double devicePixelRatio) {
  using namespace glimmerkin;
  Page& page = ThePage();
  if (!page.created || page.options.fixedSize) return 0;
  const CanvasPlan plan = PlanCanvas(page.options, cssWidth, cssHeight, devicePixelRatio);
  if (plan.canvasWidth == page.plan.canvasWidth && plan.canvasHeight == page.plan.canvasHeight &&
      plan.pixelSize == page.plan.pixelSize)
    return 0;
  // The old canvas goes before the new one is made; what the new size needs
  // must fit in its place.
  const CanvasPlan old = page.plan;
  page.canvas = std::vector<uint32_t>();
  page.plan = MemoryFor(plan) ? plan : old;
  if (!MemoryFor(page.plan)) page.plan = CanvasPlan{1, 1, 1, 1, 1};
  AllocateCanvas(page);
  page.stage.pixelSize = page.plan.pixelSize;
  page.stage.screenWidth = 0;  // ResizeStage shows the ground anew whatever the size
  page.stage.screenHeight = 0;
  ResizeStage(page.stage, page.plan.stageWidth, page.plan.stageHeight);
  PresentWhole(page.stage, page.target);
  return 1;
}

// Called on every animation frame the browser gives; runs a scene frame
// when the frame timer is due. Returns 1 when the canvas pixels changed.
EMSCRIPTEN_KEEPALIVE int glimmerkin_animate(double nowMs) {
  using namespace glimmerkin;
  Page& page = ThePage();
  if (!page.created || page.options.hasTicks) return 0;
  const int64_t now = MsToNs(nowMs);
  if (!page.platform.clock.Due(now)) return 0;
  Frame(page);
  page.platform.clock.Advance(now);
  return 1;
}

// The ticks=N testing aid: runs up to `count` of the remaining ticks and
// returns how many remain; at 0 the canvas holds the frame after tick N.
EMSCRIPTEN_KEEPALIVE int glimmerkin_run_ticks(int count) {
  using namespace glimmerkin;
  Page& page = ThePage();
  if (!page.created) return 0;
  for (int i = 0; i < count && page.ticksLeft > 0; ++i, --page.ticksLeft) Frame(page);
  return static_cast<int>(page.ticksLeft);
}

// The rectangles of the canvas changed since the script last put them.
EMSCRIPTEN_KEEPALIVE const int32_t* glimmerkin_changed_rects() { return ThePage().target.Changed(); }
EMSCRIPTEN_KEEPALIVE int glimmerkin_changed_count() { return ThePage().target.ChangedCount(); }
EMSCRIPTEN_KEEPALIVE void glimmerkin_changed_taken() { ThePage().target.Taken(); }

EMSCRIPTEN_KEEPALIVE uint32_t* glimmerkin_canvas_pixels() { return ThePage().canvas.data(); }
EMSCRIPTEN_KEEPALIVE int glimmerkin_canvas_width() { return ThePage().plan.canvasWidth; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_canvas_height() { return ThePage().plan.canvasHeight; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_stage_width() { return ThePage().stage.screenWidth; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_stage_height() { return ThePage().stage.screenHeight; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_pixel_size() { return ThePage().stage.pixelSize; }
EMSCRIPTEN_KEEPALIVE uint32_t glimmerkin_seed() { return ThePage().platform.seed; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_aliens() { return ThePage().platform.aliens; }
EMSCRIPTEN_KEEPALIVE int glimmerkin_speed() { return ThePage().platform.speed; }
EMSCRIPTEN_KEEPALIVE uint32_t glimmerkin_interval_ms() {
  return glimmerkin::FrameIntervalMs(ThePage().platform.speed);
}
// -1 when the page animates, else the ticks asked for.
EMSCRIPTEN_KEEPALIVE double glimmerkin_ticks() {
  const auto& o = ThePage().options;
  return o.hasTicks ? static_cast<double>(o.ticks) : -1.0;
}
EMSCRIPTEN_KEEPALIVE int glimmerkin_bench_mode() { return ThePage().options.bench ? 1 : 0; }

}  // extern "C"
