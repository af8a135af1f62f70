#pragma once
// The saver as one Wayland client: the outputs it covers, a view (surface,
// buffers and scene) on each, and what it does with input. Its parts are in
// wayland_saver.cpp (the connection, the outputs and the modes'
// surfaces), wayland_buffers.cpp (the views' pixels and the present target)
// and wayland_input.cpp (keyboard and pointer).
#include <sys/mman.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "animation/scene_set.h"
#include "host/close_rules.h"
#include "host/linux/run_config.h"
#include "host/linux/run_loop.h"
#include "wlr-layer-shell-client.h"
#include "xdg-output-client.h"
#include "xdg-shell-client.h"

namespace glimmerkin::wayland {


// Two buffers, each a whole frame of memory (33 MB at 3840x2160); one more
// only while the compositor holds all there are (up to four, for one that
// holds three), and only until one comes back.
constexpr size_t kMaxBuffers = 4;
constexpr size_t kKeptBuffers = 2;

// One wl_shm buffer; drawn into only while the compositor does not hold it.
struct Buffer {
  wl_buffer* buffer = nullptr;
  uint32_t* pixels = nullptr;
  size_t bytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool busy = false;
  // The view's frame this buffer last received, 0 when none: its contents
  // are then unknown to the frame path.
  uint64_t filledAt = 0;
  ~Buffer() {
    if (buffer != nullptr) wl_buffer_destroy(buffer);
    if (pixels != nullptr) munmap(pixels, bytes);
  }
};

class WaylandSaver;

struct Output {
  WaylandSaver* saver = nullptr;
  uint32_t name = 0;
  wl_output* output = nullptr;
  zxdg_output_v1* xdg = nullptr;
  int32_t x = 0, y = 0;
  int32_t modeWidth = 0, modeHeight = 0;
  int32_t logicalWidth = 0, logicalHeight = 0;
  int32_t scale = 1;
  bool done = false;
  bool covered = false;
  // The compositor closed our surface on it: not offered another.
  bool refused = false;
};

// What covers one output (or the one try-out window), with its scene.
struct View {
  WaylandSaver* saver = nullptr;
  Output* output = nullptr;  // none for the try-out window
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  int32_t width = 0, height = 0;  // logical, as configured
  int32_t scale = 1;
  bool configured = false;
  bool shown = false;   // a buffer has been attached
  bool ticked = false;  // its scene has run a frame
  bool missed = false;  // its last frame found no free buffer
  std::vector<std::unique_ptr<Buffer>> buffers;
  SceneSet scenes;
  // Frames its scene has run, to tell each buffer's age.
  uint64_t frameCount = 0;
  // Asked for with the last commit; until it comes the compositor shows
  // nothing new of the surface (an output powered down, a hidden window),
  // and the scene rests.
  wl_callback* frameCallback = nullptr;
  ~View() {
    if (frameCallback != nullptr) wl_callback_destroy(frameCallback);
    buffers.clear();
    if (toplevel != nullptr) xdg_toplevel_destroy(toplevel);
    if (xdgSurface != nullptr) xdg_surface_destroy(xdgSurface);
    if (layer != nullptr) zwlr_layer_surface_v1_destroy(layer);
    if (surface != nullptr) wl_surface_destroy(surface);
  }
};

class WaylandSaver final : public LoopClient {
 public:
  WaylandSaver(WindowKind kind, const RunConfig& config)
      : kind_(kind), config_(config) {}
  ~WaylandSaver();
  int Run();

  // Listeners reach these.
  void Global(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  void GlobalRemove(uint32_t name);
  void OutputChanged() { outputsChanged_ = true; }
  void Capabilities(uint32_t caps);
  void Keymap(uint32_t format, int fd, uint32_t size);
  void Key(uint32_t key, uint32_t state);
  void Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
    if (xkbState_ != nullptr) xkb_state_update_mask(xkbState_, depressed, latched, locked, 0, 0, group);
  }
  void PointerEnter(uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void PointerMotion(wl_fixed_t x, wl_fixed_t y);
  void Button(uint32_t button, uint32_t state) {
    InputEvent event;
    event.kind = state == WL_POINTER_BUTTON_STATE_PRESSED ? InputKind::ButtonPress
                                                          : InputKind::ButtonRelease;
    event.button = ButtonFromEvdev(button);
    Feed(event);
  }
  void Axis() {
    InputEvent event;
    event.kind = InputKind::Wheel;
    Feed(event);
  }
  void Configure(View& view, int32_t width, int32_t height);
  void WindowEntered(View& view, wl_output* output);
  void ViewClosed(View& view);
  void Feed(const InputEvent& event) {
    if (!InputCloses(role_, anchor_, event)) return;
    if (config_.beforeInputClose) config_.beforeInputClose();
    Close(kInputCloseExitCode);
  }
  void Present(View& view, Buffer& buffer, std::span<const Rect> changed);
  void Close(int code) { loop_.End(code); }
  xdg_wm_base* wmBase() { return wmBase_; }

  // LoopClient
  void Dispatch() override;
  bool Frame(int64_t nowNs) override;
  int64_t NextFrameNs() override;
  bool PrepareWait(short& events) override;
  void FinishWait(short revents) override;
  void Restart() override;

 private:
  bool AllRefused() const;
  void FollowOutputs();
  std::unique_ptr<View> MakeView(Output* output);
  void StartScene(View& view, const SceneArea& area);
  Buffer* FreeBuffer(View& view);
  void ShowBlack(View& view);
  void ShowMissed(View& view);
  bool Lost();

  WindowKind kind_;
  RunConfig config_;
  uint32_t seed_ = 0;
  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  uint32_t compositorVersion_ = 0;
  wl_shm* shm_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  xdg_wm_base* wmBase_ = nullptr;
  zxdg_output_manager_v1* outputManager_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  xkb_context* xkb_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* xkbState_ = nullptr;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<std::unique_ptr<View>> views_;
  bool outputsChanged_ = false;
  bool viewClosed_ = false;
  CloseRole role_ = CloseRole::Never;
  MotionAnchor anchor_;
  int32_t pointerOffsetX_ = 0, pointerOffsetY_ = 0;
  RunLoop loop_;
};

inline WaylandSaver& Of(void* data) { return *static_cast<WaylandSaver*>(data); }

// Given to the seat when it is bound.
extern const wl_seat_listener kSeatListener;

}  // namespace glimmerkin::wayland
