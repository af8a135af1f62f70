#include "animation/win32/saver_proc.h"

#include <ctime>

#include "animation/stage.h"
#include "host/win32/host_state.h"
#include "host/win32/saver_window.h"
#include "settings/win32/settings_store.h"

namespace glimmerkin {
namespace {

class GdiStagePlatform final : public StagePlatform {
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

Stage stage;
GdiStagePlatform platform;

}  // namespace
}  // namespace glimmerkin

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  using namespace glimmerkin;
  switch (message) {
    case WM_CREATE:
      platform.window = window;
      CreateStage(stage, platform);
      break;
    case WM_DESTROY:
      DestroyStage(stage, platform);
      break;
    case WM_TIMER: {
      const HDC context = GetDC(window);
      RunFrame(stage, context);
      ReleaseDC(window, context);
      break;
    }
    default:
      break;
  }
  return DefaultSaverProc(window, message, wParam, lParam);
}
