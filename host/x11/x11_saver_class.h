#pragma once
// The saver as one X client: its connection and window, the scenes, and
// what it does with events. Its parts are in x11_saver.cpp (the connection,
// the run and the sight), x11_modes.cpp (the window of each mode),
// x11_pixels.cpp (the window's pixels) and x11_input.cpp (events).
// Before the X headers, whose macros (KeyPress, ButtonPress...) would
// replace the names of its input kinds.
#include "host/close_rules.h"
#include "host/linux/run_plan.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "animation/scene_set.h"
#include "host/linux/run_config.h"
#include "host/linux/run_loop.h"
#include "host/x11/x11_connection.h"
#include "host/x11/x11_image.h"

namespace glimmerkin::x11 {

constexpr int kGrabAttempts = 50;
constexpr int64_t kWatchNs = 1'000'000'000;
constexpr int64_t kGrabRetryNs = 100'000'000;
// DPMS only answers when asked (no event tells of it): asked this often.
constexpr int64_t kPowerAskNs = 5'000'000'000;

class X11Saver final : public LoopClient {
 public:
  X11Saver(WindowKind kind, uint32_t windowId, const RunConfig& config)
      : kind_(kind), windowId_(windowId), config_(config) {}

  ~X11Saver() {
    image_.Release();
    if (display_ != nullptr) {
      if (gc_ != nullptr) XFreeGC(display_, gc_);
      if (ownWindow_ && window_ != 0) XDestroyWindow(display_, window_);
      if (blankCursor_ != 0) XFreeCursor(display_, blankCursor_);
      XCloseDisplay(display_);
    }
    g_errors = ErrorLog{};
  }
  int Run();
  void Dispatch() override;
  int64_t RunTimers(int64_t nowNs) override;
  bool Frame(int64_t nowNs) override;
  int64_t NextFrameNs() override { return scenes_.NextFrameNs(); }
  bool PrepareWait(short& events) override;
  void Restart() override;

 private:
  void StartScenes();
  void WatchSight();
  static bool Blanks(int state, int kind);
  void AskPower();
  void FollowMapState();
  void ReportSight();
  bool OpenFullScreen(int& result);
  bool OpenPreview(int& result);
  bool OpenHack(int& result);
  bool OpenTryOut(int& result);
  void NameWindow(const char* title);
  bool PrepareDrawing(int& result);
  void ReshapeStage();
  void ResizeImage();
  void ShowStagesWhole();
  void ShowExposed(const Rect& exposed);
  void MakeTargets();
  void TryGrab();
  bool WantsGrab() const;
  void Close() { loop_.End(0); }
  void CloseByInput() {
    if (config_.beforeInputClose) config_.beforeInputClose();
    Close();
  }
  void WatchedStillThere();
  void HandleEvent(XEvent& event);
  void FollowLayout();

  WindowKind kind_;
  uint32_t windowId_;
  RunConfig config_;
  uint32_t seed_ = 0;
  Display* display_ = nullptr;
  int screen_ = 0;
  Window window_ = 0;
  int64_t lastWatchNs_ = 0;
  Window parent_ = 0;
  bool ownWindow_ = false;
  GC gc_ = nullptr;
  Cursor blankCursor_ = 0;
  Atom runningAtom_ = 0;
  Atom deleteAtom_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  int windowWidth_ = 0;
  int windowHeight_ = 0;
  Rect stageRect_;
  // What the window's monitor asks for, where a window has one scene.
  int32_t automaticPixelSize_ = 1;
  bool ownSizeStage_ = false;
  int randrEventBase_ = -1;
  int saverEventBase_ = -1;
  bool dpms_ = false;
  int64_t lastPowerAskNs_ = 0;
  bool screenBlanked_ = false;
  bool displayOff_ = false;
  bool unmapped_ = false;
  bool obscured_ = false;
  bool layoutChanged_ = false;
  FrameImage image_;
  SceneSet scenes_;
  std::vector<ImageTarget> targets_;

  CloseRole closeRole_ = CloseRole::Never;
  bool mapped_ = false;
  bool keyboardGrabbed_ = false;
  bool pointerGrabbed_ = false;
  int grabAttempts_ = 0;
  int64_t nextGrabNs_ = 0;
  MotionAnchor anchor_;

  RunLoop loop_;
};

}  // namespace glimmerkin::x11
