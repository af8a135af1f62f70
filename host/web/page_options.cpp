#include "host/web/page_options.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "host/display_rules.h"
#include "scene/sprite.h"
#include "settings/settings.h"

namespace glimmerkin {
namespace {

// A plain decimal of at most ten digits, no sign, no spaces.
std::optional<uint64_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::optional<int32_t> InRange(std::string_view text, int64_t low, int64_t high) {
  const auto v = Decimal(text);
  if (!v || static_cast<int64_t>(*v) < low || static_cast<int64_t>(*v) > high) return std::nullopt;
  return static_cast<int32_t>(*v);
}

void Apply(PageOptions& o, std::string_view key, std::string_view value) {
  if (key == "seed") {
    if (const auto v = Decimal(value); v && *v <= 0xFFFFFFFFu) {
      o.hasSeed = true;
      o.seed = static_cast<uint32_t>(*v);
    }
  } else if (key == "aliens") {
    if (const auto v = InRange(value, 0, SpriteList::kCapacity)) o.aliens = *v;
  } else if (key == "speed") {
    if (const auto v = InRange(value, kMinRedrawSpeed, kMaxRedrawSpeed)) o.speed = *v;
  } else if (key == "size") {
    const size_t x = value.find('x');
    if (x == std::string_view::npos) return;
    const auto w = InRange(value.substr(0, x), 1, kMaxPageStageSide);
    const auto h = InRange(value.substr(x + 1), 1, kMaxPageStageSide);
    if (w && h && int64_t{*w} * *h <= kMaxPageStagePixels) {
      o.fixedSize = true;
      o.width = *w;
      o.height = *h;
    }
  } else if (key == "ticks") {
    if (const auto v = InRange(value, 0, kMaxPageTicks)) {
      o.hasTicks = true;
      o.ticks = static_cast<uint32_t>(*v);
    }
  } else if (key == "bench") {
    o.bench = value == "1";
  }
}

}  // namespace

PageOptions ParsePageQuery(std::string_view query) {
  PageOptions options;
  if (!query.empty() && query.front() == '?') query.remove_prefix(1);
  // Each key once: the first occurrence, as URLSearchParams.get reads it.
  bool seen[6] = {};
  constexpr std::string_view kKeys[6] = {"seed", "aliens", "speed", "size", "ticks", "bench"};
  while (!query.empty()) {
    const size_t end = std::min(query.find('&'), query.size());
    const std::string_view pair = query.substr(0, end);
    query.remove_prefix(std::min(end + 1, query.size()));
    const size_t eq = pair.find('=');
    const std::string_view key = pair.substr(0, std::min(eq, pair.size()));
    const std::string_view value =
        eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
    for (size_t k = 0; k < 6; ++k) {
      if (key != kKeys[k] || seen[k]) continue;
      seen[k] = true;
      Apply(options, key, value);
    }
  }
  return options;
}

namespace {

int32_t DevicePixels(double css, double ratio) {
  const double device = std::round(css * ratio);
  if (!(device >= 1)) return 1;  // NaN too
  return static_cast<int32_t>(std::min<double>(device, kMaxCanvasSide));
}

}  // namespace

CanvasPlan PlanCanvas(const PageOptions& options, double cssWidth, double cssHeight,
                      double devicePixelRatio) {
  double ratio = devicePixelRatio;
  if (!(ratio > 0) || ratio > 16) ratio = 1;
  CanvasPlan plan;
  plan.pixelSize = PixelSizeForDpi(static_cast<int64_t>(std::lround(96 * ratio)));
  if (options.fixedSize) {
    plan.stageWidth = options.width;
    plan.stageHeight = options.height;
    // A stage too big to enlarge is shown one to one.
    const int64_t w = int64_t{options.width} * plan.pixelSize;
    const int64_t h = int64_t{options.height} * plan.pixelSize;
    if (w > kMaxCanvasSide || h > kMaxCanvasSide || w * h > kMaxCanvasPixels) plan.pixelSize = 1;
    plan.canvasWidth = options.width * plan.pixelSize;
    plan.canvasHeight = options.height * plan.pixelSize;
    return plan;
  }
  plan.canvasWidth = DevicePixels(cssWidth, ratio);
  plan.canvasHeight = DevicePixels(cssHeight, ratio);
  // A window beyond the pixel budget keeps its width and loses height.
  if (int64_t{plan.canvasWidth} * plan.canvasHeight > kMaxCanvasPixels)
    plan.canvasHeight = static_cast<int32_t>(kMaxCanvasPixels / plan.canvasWidth);
  plan.stageWidth = StageSide(plan.canvasWidth, plan.pixelSize);
  plan.stageHeight = StageSide(plan.canvasHeight, plan.pixelSize);
  return plan;
}

void ToCanvasPixels(const RasterView& canvas, const Rect& r) {
  if (!canvas.Usable()) return;
  const Rect in = Intersection(r, Rect{0, 0, canvas.width, canvas.height});
  for (int64_t y = in.y; y < in.Bottom(); ++y) {
    uint32_t* row = canvas.pixels + static_cast<size_t>(y) * static_cast<size_t>(canvas.stride);
    for (int64_t x = in.x; x < in.Right(); ++x) row[x] = ToCanvasPixel(row[x]);
  }
}

}  // namespace glimmerkin
