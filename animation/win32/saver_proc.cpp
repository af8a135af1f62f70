#include "animation/win32/saver_proc.h"

#include <ctime>
#include <span>
#include <vector>

#include "animation/scene_set.h"
#include "animation/stage.h"
#include "host/display_rules.h"
#include "host/win32/host_state.h"
#include "host/win32/monitor_layout.h"
#include "host/win32/saver_window.h"
#include "host/win32/system_module.h"
#include "settings/win32/settings_store.h"

namespace glimmerkin {
namespace {

class GdiStagePlatform final : public StagePlatform, public FrameTimer {
 public:
  uint32_t CurrentTimeSeconds() override {
    return static_cast<uint32_t>(std::time(nullptr));
  }
  Settings ReadSettings() override {
    return glimmerkin::ReadSettings(hostState.instance != nullptr ? hostState.instance
                                                                  : GetModuleHandleA(nullptr));
  }
  int32_t ScreenWidth() override { return GetSystemMetrics(SM_CXSCREEN); }
  int32_t ScreenHeight() override { return GetSystemMetrics(SM_CYSCREEN); }
  // Not released: the window class gives the window a context of its own.
  ReferenceContext GetReferenceContext() override { return GetDC(window); }
  uint32_t StartTimer(uint32_t intervalMs) override {
    return static_cast<uint32_t>(SetTimer(window, 1, intervalMs, nullptr));
  }
  void StopTimer(uint32_t timerId) override { KillTimer(window, timerId); }

  HWND window = nullptr;
};

// One scene's part of the window. The window keeps its pixels, so a frame
// needs no surface of the window's size: the pieces of what changed are
// composed into a small strip and copied to the window from there (GDI has
// copied each when BitBlt returns), and a paint request composes the
// uncovered part afresh from the scene.
class WindowTarget final : public PresentTarget {
 public:
  static constexpr int32_t kStripWidth = 1024;
  static constexpr int32_t kStripHeight = 256;

  WindowTarget(HWND window, Stage& stage, const Rect& area)
      : window_(window), stage_(stage), area_(area) {}
  WindowTarget(WindowTarget&&) = default;

  PresentBuffer Acquire() override {
    if (strip_.Empty()) {
      const HDC reference = GetDC(window_);
      strip_ = CreateWorkSurface(reference, kStripWidth, kStripHeight);
      ReleaseDC(window_, reference);
    }
    PresentBuffer buffer;
    buffer.pixels = strip_.View();
    buffer.age = fresh_ ? 0u : 1u;
    buffer.strip = true;
    buffer.width = area_.width;
    buffer.height = area_.height;
    return buffer;
  }

  void Put(const Rect& shown, int32_t fromX, int32_t fromY) override {
    const HDC context = painting_ != nullptr ? painting_ : GetDC(window_);
    BitBlt(context, area_.x + shown.x, area_.y + shown.y, shown.width, shown.height,
           strip_.Context(), fromX, fromY, SRCCOPY);
    if (painting_ == nullptr) ReleaseDC(window_, context);
  }

  void Present(std::span<const Rect>) override { fresh_ = false; }

  // The part of `dirty` (window coordinates) this scene covers, composed
  // afresh into the painting context.
  void Paint(HDC context, const RECT& dirty) {
    const Rect shown = Intersection(
        Rect{static_cast<int32_t>(dirty.left), static_cast<int32_t>(dirty.top),
             static_cast<int32_t>(dirty.right - dirty.left),
             static_cast<int32_t>(dirty.bottom - dirty.top)},
        area_);
    if (shown.Empty()) return;
    painting_ = context;
    PresentArea(stage_, *this,
                Rect{shown.x - area_.x, shown.y - area_.y, shown.width, shown.height});
    painting_ = nullptr;
  }

 private:
  HWND window_;
  Stage& stage_;
  Rect area_;
  Surface strip_;
  HDC painting_ = nullptr;
  bool fresh_ = true;
};

// The preview keeps one screen-sized stage; full screen has one scene per
// monitor.
Stage previewStage;
SceneSet scenes;
// Everything reported so far: the preview's own rule, and what the scenes
// are told again when they are made anew.
SceneSight sight;
// Between the preview's creation and its end: only then has it a timer.
bool previewLive = false;
GdiStagePlatform platform;
std::vector<WindowTarget> targets;

// GetDpiForMonitor lives in shcore.dll, which older Windows lacks: looked up
// at run time from the system directory, never imported.
using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

struct DpiSource {
  HMODULE shcore = nullptr;
  GetDpiForMonitorProc getDpiForMonitor = nullptr;
  uint32_t screenDpi = 0;
};

DpiSource OpenDpiSource(HWND window) {
  DpiSource source;
  source.shcore = LoadSystemModule("shcore.dll");
  if (source.shcore != nullptr)
    source.getDpiForMonitor = FindProc<GetDpiForMonitorProc>(source.shcore, "GetDpiForMonitor");
  const HDC context = GetDC(window);
  if (context != nullptr) {
    const int dpi = GetDeviceCaps(context, LOGPIXELSX);
    source.screenDpi = dpi > 0 ? static_cast<uint32_t>(dpi) : 0;
    ReleaseDC(window, context);
  }
  return source;
}

void CloseDpiSource(DpiSource& source) {
  if (source.shcore != nullptr) FreeLibrary(source.shcore);
  source = DpiSource{};
}

struct Enumeration {
  std::vector<MonitorRect> rects;
  const DpiSource* dpi = nullptr;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto& enumeration = *reinterpret_cast<Enumeration*>(data);
  if (enumeration.rects.size() >= kMaxMonitorsRead) return FALSE;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;
  MonitorRect rect;
  rect.left = info.rcMonitor.left;
  rect.top = info.rcMonitor.top;
  rect.right = info.rcMonitor.right;
  rect.bottom = info.rcMonitor.bottom;
  rect.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
  rect.dpi = enumeration.dpi->screenDpi;
  UINT dpiX = 0;
  UINT dpiY = 0;
  if (enumeration.dpi->getDpiForMonitor != nullptr &&
      SUCCEEDED(enumeration.dpi->getDpiForMonitor(monitor, kEffectiveDpi, &dpiX, &dpiY)) &&
      dpiX > 0)
    rect.dpi = dpiX;
  enumeration.rects.push_back(rect);
  return TRUE;
}

// The scenes of the full-screen window as it is placed now.
std::vector<SceneArea> PlanFullScreen(HWND window, const Settings& settings, uint32_t clock) {
  RECT placed = {0, 0, 0, 0};
  GetWindowRect(window, &placed);
  WindowArea area;
  area.x = placed.left;
  area.y = placed.top;
  DpiSource dpi = OpenDpiSource(window);
  Enumeration enumeration;
  enumeration.dpi = &dpi;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&enumeration));
  const std::vector<Monitor> monitors =
      MonitorsInWindow(enumeration.rects, area, GetSystemMetrics(SM_CXSCREEN),
                       GetSystemMetrics(SM_CYSCREEN), dpi.screenDpi);
  CloseDpiSource(dpi);
  return PlanScenes(monitors, settings.pixelSize, clock);
}

void CreateScenes(HWND window) {
  // The clock is read first, as a lone stage reads it before anything else.
  const uint32_t clock = platform.CurrentTimeSeconds();
  const Settings settings = platform.ReadSettings();
  scenes.Create(PlanFullScreen(window, settings, clock), settings, platform.GetReferenceContext(),
                &platform);
  targets.clear();
  targets.reserve(scenes.Count());
  for (size_t i = 0; i < scenes.Count(); ++i) {
    const SceneArea& area = scenes.AreaAt(i);
    targets.emplace_back(window, scenes.StageAt(i), Rect{area.x, area.y, area.width, area.height});
  }
  for (const Unseen why : {Unseen::DisplayOff, Unseen::WindowUnmapped})
    if (sight.Holds(why)) scenes.Report(why, true);
}

void CreatePreview(HWND window) {
  CreateStage(previewStage, platform, sight.Seen() ? &platform : nullptr);
  previewLive = true;
  targets.clear();
  targets.emplace_back(window, previewStage,
                       Rect{0, 0, previewStage.screenWidth, previewStage.screenHeight});
}

// Uncovered parts of the window show the frame as it stands, also once the
// frames have stopped; until the first frame that is black.
void PaintLastFrame(HWND window) {
  PAINTSTRUCT paint;
  const HDC context = BeginPaint(window, &paint);
  if (context == nullptr) return;
  for (WindowTarget& target : targets) target.Paint(context, paint.rcPaint);
  EndPaint(window, &paint);
}

}  // namespace

void ReportSight(Unseen why, bool holds) {
  const bool changed = sight.Report(why, holds);
  if (hostState.previewMode == 0)
    scenes.Report(why, holds);
  else if (changed && previewLive)
    FollowSight(previewStage, platform, sight.Seen());
}

}  // namespace glimmerkin

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  using namespace glimmerkin;
  switch (message) {
    case WM_CREATE:
      platform.window = window;
      if (hostState.previewMode != 0)
        CreatePreview(window);
      else
        CreateScenes(window);
      break;
    case WM_DESTROY:
      targets.clear();
      if (hostState.previewMode != 0) {
        previewLive = false;
        DestroyStage(previewStage, &platform);
      }
      else
        scenes.Destroy(&platform);
      break;
    case WM_DISPLAYCHANGE:
      // The host has moved the window over the new layout; the scenes start
      // anew on it.
      if (hostState.previewMode == 0 && hostState.closing == 0) {
        targets.clear();
        scenes.Destroy(&platform);
        CreateScenes(window);
      }
      break;
    case WM_PAINT:
      PaintLastFrame(window);
      break;
    case WM_TIMER:
      if (hostState.previewMode != 0) {
        if (!targets.empty() && sight.Seen()) RunFrame(previewStage, targets.front());
      } else {
        scenes.RunFrames([&](size_t i) -> PresentTarget& { return targets[i]; });
      }
      break;
    default:
      break;
  }
  return DefaultSaverProc(window, message, wParam, lParam);
}
