#include "host/wayland/wayland_saver.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "animation/scene_set.h"
#include "host/close_rules.h"
#include "host/display_rules.h"
#include "host/linux/run_loop.h"
#include "host/linux/run_plan.h"
#include "host/saver_main.h"
#include "wlr-layer-shell-client.h"
#include "xdg-output-client.h"
#include "xdg-shell-client.h"

namespace glimmerkin {
namespace {

// A compositor that is slow to let buffers go (a first frame at 4K, say)
// may have the saver make up to four; once it keeps pace again, buffers
// beyond two that stay unused this many frames go, each a whole frame of
// memory (33 MB at 3840x2160).
constexpr size_t kMaxBuffers = 4;
constexpr size_t kKeptBuffers = 2;
constexpr uint64_t kIdleFrames = 50;

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
    if (InputCloses(role_, anchor_, event)) Close(kInputCloseExitCode);
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

WaylandSaver& Of(void* data) { return *static_cast<WaylandSaver*>(data); }

// --- listeners ------------------------------------------------------------

// The compositor's time in the callback is not used: frames are timed by
// the monotonic clock alone (a locker relaying callbacks sends 0).
const wl_callback_listener kFrameListener = {
    [](void* data, wl_callback* callback, uint32_t) {
      auto* view = static_cast<View*>(data);
      wl_callback_destroy(callback);
      view->frameCallback = nullptr;
      view->scenes.Report(Unseen::AwaitingCallback, false);
    }};

const wl_buffer_listener kBufferListener = {
    [](void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }};

const wl_output_listener kOutputListener = {
    [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
       const char*, int32_t) {
      auto* o = static_cast<Output*>(data);
      if (o->xdg == nullptr) o->x = x, o->y = y;
    },
    [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
      auto* o = static_cast<Output*>(data);
      if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) o->modeWidth = width, o->modeHeight = height;
    },
    [](void* data, wl_output*) {
      auto* o = static_cast<Output*>(data);
      o->done = true;
      o->saver->OutputChanged();
    },
    [](void* data, wl_output*, int32_t factor) {
      static_cast<Output*>(data)->scale = std::clamp(factor, 1, kMaxPixelSize);
    },
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener kXdgOutputListener = {
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
      auto* o = static_cast<Output*>(data);
      o->x = x, o->y = y;
    },
    [](void* data, zxdg_output_v1*, int32_t w, int32_t h) {
      auto* o = static_cast<Output*>(data);
      o->logicalWidth = w, o->logicalHeight = h;
    },
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

const xdg_wm_base_listener kWmBaseListener = {
    [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }};

const wl_keyboard_listener kKeyboardListener = {
    [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
      Of(data).Keymap(format, fd, size);
    },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
      Of(data).Key(key, state);
    },
    [](void* data, wl_keyboard*, uint32_t, uint32_t d, uint32_t la, uint32_t lo, uint32_t g) {
      Of(data).Modifiers(d, la, lo, g);
    },
    [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_pointer_listener kPointerListener = {
    [](void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x,
       wl_fixed_t y) { Of(data).PointerEnter(serial, surface, x, y); },
    [](void*, wl_pointer*, uint32_t, wl_surface*) {},
    [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
      Of(data).PointerMotion(x, y);
    },
    [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
      Of(data).Button(button, state);
    },
    [](void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) { Of(data).Axis(); },
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const wl_seat_listener kSeatListener = {
    [](void* data, wl_seat*, uint32_t caps) { Of(data).Capabilities(caps); },
    [](void*, wl_seat*, const char*) {},
};

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface,
       uint32_t version) { Of(data).Global(registry, name, interface, version); },
    [](void* data, wl_registry*, uint32_t name) { Of(data).GlobalRemove(name); },
};

const zwlr_layer_surface_v1_listener kLayerListener = {
    [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t w, uint32_t h) {
      auto* view = static_cast<View*>(data);
      zwlr_layer_surface_v1_ack_configure(layer, serial);
      view->saver->Configure(*view, static_cast<int32_t>(std::min<uint32_t>(w, kMaxMonitorSide)),
                             static_cast<int32_t>(std::min<uint32_t>(h, kMaxMonitorSide)));
    },
    [](void* data, zwlr_layer_surface_v1*) {
      auto* view = static_cast<View*>(data);
      view->saver->ViewClosed(*view);
    },
};

// The window takes the scale of the output it shows on.
const wl_surface_listener kSurfaceListener = {
    [](void* data, wl_surface*, wl_output* output) {
      auto* view = static_cast<View*>(data);
      view->saver->WindowEntered(*view, output);
    },
    [](void*, wl_surface*, wl_output*) {},
};

// The toplevel's size comes first, the surface configure confirms it.
const xdg_toplevel_listener kToplevelListener = {
    [](void* data, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
      auto* view = static_cast<View*>(data);
      if (w > 0 && h > 0) {
        view->width = std::min(w, kMaxMonitorSide);
        view->height = std::min(h, kMaxMonitorSide);
      }
    },
    [](void* data, xdg_toplevel*) {
      auto* view = static_cast<View*>(data);
      view->saver->Close(0);
    },
    [](void*, xdg_toplevel*, int32_t, int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

const xdg_surface_listener kXdgSurfaceListener = {
    [](void* data, xdg_surface* surface, uint32_t serial) {
      auto* view = static_cast<View*>(data);
      xdg_surface_ack_configure(surface, serial);
      view->saver->Configure(*view, view->width, view->height);
    },
};

// --- the saver ------------------------------------------------------------

WaylandSaver::~WaylandSaver() {
  for (auto& view : views_) view->scenes.Destroy(nullptr);
  views_.clear();
  for (auto& o : outputs_) {
    if (o->xdg != nullptr) zxdg_output_v1_destroy(o->xdg);
    if (o->output != nullptr) wl_output_destroy(o->output);
  }
  if (keyboard_ != nullptr) wl_keyboard_destroy(keyboard_);
  if (pointer_ != nullptr) wl_pointer_destroy(pointer_);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  // The shell's destroy request came in version 3.
  if (layerShell_ != nullptr) {
    if (zwlr_layer_shell_v1_get_version(layerShell_) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
      zwlr_layer_shell_v1_destroy(layerShell_);
    else
      wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell_));
  }
  if (outputManager_ != nullptr) zxdg_output_manager_v1_destroy(outputManager_);
  if (wmBase_ != nullptr) xdg_wm_base_destroy(wmBase_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  if (xkbState_ != nullptr) xkb_state_unref(xkbState_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (xkb_ != nullptr) xkb_context_unref(xkb_);
  if (display_ != nullptr) wl_display_disconnect(display_);
}

void WaylandSaver::Global(wl_registry* registry, uint32_t name, const char* interface,
                          uint32_t version) {
  const std::string_view what(interface);
  if (what == wl_compositor_interface.name && compositor_ == nullptr) {
    compositorVersion_ = std::min<uint32_t>(version, 4);
    compositor_ = static_cast<wl_compositor*>(
        wl_registry_bind(registry, name, &wl_compositor_interface, compositorVersion_));
  } else if (what == wl_shm_interface.name && shm_ == nullptr) {
    shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (what == wl_seat_interface.name && seat_ == nullptr) {
    seat_ = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min<uint32_t>(version, 5)));
    wl_seat_add_listener(seat_, &kSeatListener, this);
  } else if (what == xdg_wm_base_interface.name && wmBase_ == nullptr) {
    wmBase_ = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(wmBase_, &kWmBaseListener, this);
  } else if (what == zxdg_output_manager_v1_interface.name && outputManager_ == nullptr) {
    outputManager_ = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
        registry, name, &zxdg_output_manager_v1_interface, std::min<uint32_t>(version, 3)));
    for (auto& o : outputs_)
      if (o->xdg == nullptr) {
        o->xdg = zxdg_output_manager_v1_get_xdg_output(outputManager_, o->output);
        zxdg_output_v1_add_listener(o->xdg, &kXdgOutputListener, o.get());
      }
  } else if (what == zwlr_layer_shell_v1_interface.name && layerShell_ == nullptr) {
    layerShell_ = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
        registry, name, &zwlr_layer_shell_v1_interface, std::min<uint32_t>(version, 4)));
  } else if (what == wl_output_interface.name && version >= 2) {
    auto o = std::make_unique<Output>();
    o->saver = this;
    o->name = name;
    o->output = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, std::min<uint32_t>(version, 3)));
    wl_output_add_listener(o->output, &kOutputListener, o.get());
    if (outputManager_ != nullptr) {
      o->xdg = zxdg_output_manager_v1_get_xdg_output(outputManager_, o->output);
      zxdg_output_v1_add_listener(o->xdg, &kXdgOutputListener, o.get());
    }
    outputs_.push_back(std::move(o));
    outputsChanged_ = true;
  }
}

void WaylandSaver::GlobalRemove(uint32_t name) {
  for (size_t i = 0; i < outputs_.size(); ++i) {
    if (outputs_[i]->name != name) continue;
    Output* gone = outputs_[i].get();
    for (size_t v = 0; v < views_.size(); ++v)
      if (views_[v]->output == gone) {
        views_[v]->scenes.Destroy(nullptr);
        views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(v));
        break;
      }
    if (gone->xdg != nullptr) zxdg_output_v1_destroy(gone->xdg);
    wl_output_destroy(gone->output);
    outputs_.erase(outputs_.begin() + static_cast<std::ptrdiff_t>(i));
    outputsChanged_ = true;
    return;
  }
}

// wtype and virtual pointers come and go: each brings its device anew.
void WaylandSaver::Capabilities(uint32_t caps) {
  const bool wantKeys = role_ != CloseRole::Never;
  const bool wantPointer = role_ == CloseRole::AnyInput;
  if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && keyboard_ == nullptr && wantKeys) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
  } else if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) == 0 && keyboard_ != nullptr) {
    if (wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
      wl_keyboard_release(keyboard_);
    else
      wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
  }
  if ((caps & WL_SEAT_CAPABILITY_POINTER) != 0 && pointer_ == nullptr && wantPointer) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &kPointerListener, this);
  } else if ((caps & WL_SEAT_CAPABILITY_POINTER) == 0 && pointer_ != nullptr) {
    if (wl_pointer_get_version(pointer_) >= WL_POINTER_RELEASE_SINCE_VERSION)
      wl_pointer_release(pointer_);
    else
      wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
  }
}

void WaylandSaver::Keymap(uint32_t format, int fd, uint32_t size) {
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0 && xkb_ != nullptr) {
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      // The text ends in a terminator within size; strnlen keeps a bad one in bounds.
      const char* text = static_cast<const char*>(map);
      const std::string copy(text, strnlen(text, size));
      munmap(map, size);
      xkb_keymap* keymap =
          xkb_keymap_new_from_string(xkb_, copy.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                     XKB_KEYMAP_COMPILE_NO_FLAGS);
      if (keymap != nullptr) {
        if (xkbState_ != nullptr) xkb_state_unref(xkbState_);
        if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
        keymap_ = keymap;
        xkbState_ = xkb_state_new(keymap_);
      }
    }
  }
  close(fd);
}

// Evdev key codes are 8 below xkb's.
void WaylandSaver::Key(uint32_t key, uint32_t state) {
  InputEvent event;
  event.kind = state == WL_KEYBOARD_KEY_STATE_PRESSED ? InputKind::KeyPress : InputKind::KeyRelease;
  event.keysym = xkbState_ != nullptr ? xkb_state_key_get_one_sym(xkbState_, key + 8) : 0;
  Feed(event);
}

void WaylandSaver::PointerEnter(uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  if (role_ != CloseRole::AnyInput) return;
  wl_pointer_set_cursor(pointer_, serial, nullptr, 0, 0);  // hidden over the saver
  pointerOffsetX_ = pointerOffsetY_ = 0;
  for (auto& view : views_)
    if (view->surface == surface && view->output != nullptr) {
      pointerOffsetX_ = view->output->x;
      pointerOffsetY_ = view->output->y;
    }
  PointerMotion(x, y);
}

// Positions are made global (the output's place plus the surface's), so
// movement across outputs is measured as one.
void WaylandSaver::PointerMotion(wl_fixed_t x, wl_fixed_t y) {
  InputEvent event;
  event.kind = InputKind::Motion;
  event.x = pointerOffsetX_ + wl_fixed_to_int(x);
  event.y = pointerOffsetY_ + wl_fixed_to_int(y);
  Feed(event);
}

void WaylandSaver::Configure(View& view, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    width = kTryOutSize.width;
    height = kTryOutSize.height;
  }
  view.width = width;
  view.height = height;
  view.configured = true;
  if (view.output != nullptr) view.scale = view.output->scale;
  wl_surface_set_buffer_scale(view.surface, view.scale);
  // A scene started again keeps its seed, so each output's stays its own.
  uint32_t seed = seed_;
  if (view.scenes.Count() != 0) seed = view.scenes.AreaAt(0).seed;
  // A tiling compositor gives a window its size only once it shows: a scene
  // that has not run yet starts again at that size.
  if (view.scenes.Count() != 0 && !view.ticked) {
    const Stage& stage = view.scenes.StageAt(0);
    if (StageSide(width * view.scale, stage.pixelSize) != stage.screenWidth ||
        StageSide(height * view.scale, stage.pixelSize) != stage.screenHeight)
      view.scenes.Destroy(nullptr);
  }
  // A new output scale asks for another pixel size: the scene starts again
  // at it, and so does the count of frames.
  if (view.scenes.Count() != 0 &&
      ChoosePixelSize(config_.settings.pixelSize, view.scale) != view.scenes.StageAt(0).pixelSize) {
    view.scenes.Destroy(nullptr);
    view.ticked = false;
  }
  if (view.scenes.Count() == 0) {
    if (const auto area = WindowScene(width * view.scale, height * view.scale, view.scale, config_, seed))
      StartScene(view, *area);
  } else {
    Stage& stage = view.scenes.StageAt(0);
    const int32_t stageWidth = StageSide(width * view.scale, stage.pixelSize);
    const int32_t stageHeight = StageSide(height * view.scale, stage.pixelSize);
    if (stageWidth != stage.screenWidth || stageHeight != stage.screenHeight)
      ResizeStage(stage, nullptr, stageWidth, stageHeight);
  }
  if (!view.shown) ShowBlack(view);
}

// Until the first frame the surface is black, as the Windows saver's window
// is, and mapped, so that the compositor settles its size early.
void WaylandSaver::ShowBlack(View& view) {
  Buffer* buffer = FreeBuffer(view);
  if (buffer == nullptr) return;
  std::memset(buffer->pixels, 0, buffer->bytes);
  buffer->filledAt = 0;
  const Rect whole{0, 0, buffer->width, buffer->height};
  Present(view, *buffer, std::span<const Rect>(&whole, 1));
}

void WaylandSaver::Present(View& view, Buffer& buffer, std::span<const Rect> changed) {
  view.shown = true;
  buffer.busy = true;
  wl_surface_attach(view.surface, buffer.buffer, 0, 0);
  for (const Rect& r : changed) {
    if (compositorVersion_ >= 4) {
      wl_surface_damage_buffer(view.surface, r.x, r.y, r.width, r.height);
    } else {
      // Surface coordinates: the buffer's divided by its scale, rounded out.
      const int32_t scale = std::max(view.scale, 1);
      const int32_t x = r.x / scale;
      const int32_t y = r.y / scale;
      wl_surface_damage(view.surface, x, y, static_cast<int32_t>((r.Right() + scale - 1) / scale) - x,
                        static_cast<int32_t>((r.Bottom() + scale - 1) / scale) - y);
    }
  }
  // Every commit asks for the next frame: the request must come before
  // the commit it belongs to.
  if (view.frameCallback != nullptr) wl_callback_destroy(view.frameCallback);
  view.frameCallback = wl_surface_frame(view.surface);
  wl_callback_add_listener(view.frameCallback, &kFrameListener, &view);
  view.scenes.Report(Unseen::AwaitingCallback, true);
  wl_surface_commit(view.surface);
}

void WaylandSaver::WindowEntered(View& view, wl_output* output) {
  for (const auto& o : outputs_)
    if (o->output == output && o->scale != view.scale) {
      view.scale = o->scale;
      if (view.configured) Configure(view, view.width, view.height);
      return;
    }
}

void WaylandSaver::ViewClosed(View& view) {
  if (kind_ == WindowKind::TryOut) {
    Close(0);
    return;
  }
  for (size_t v = 0; v < views_.size(); ++v)
    if (views_[v].get() == &view) {
      if (view.output != nullptr) {
        view.output->covered = false;
        view.output->refused = true;
      }
      viewClosed_ = true;
      view.scenes.Destroy(nullptr);
      views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(v));
      return;
    }
}

// Each view's scene has its own pace: one output powered down does not
// stop another's frames.
void WaylandSaver::StartScene(View& view, const SceneArea& area) {
  view.scenes.Create({area}, config_.settings, nullptr, nullptr);
  view.scenes.StartPacing(MonotonicNowNs(), config_.frameLimit);
  view.scenes.Report(Unseen::AwaitingCallback, view.frameCallback != nullptr);
}

std::unique_ptr<View> WaylandSaver::MakeView(Output* output) {
  auto view = std::make_unique<View>();
  view->saver = this;
  view->output = output;
  view->surface = wl_compositor_create_surface(compositor_);
  if (output == nullptr) {
    // Where the window will show is told only after it shows: until then it
    // takes the scale all outputs share, if they do.
    wl_surface_add_listener(view->surface, &kSurfaceListener, view.get());
    int32_t shared = 0;
    for (const auto& o : outputs_)
      if (o->done) shared = shared == 0 || shared == o->scale ? o->scale : -1;
    view->scale = shared > 0 ? shared : 1;
  }
  if (kind_ != WindowKind::TryOut && layerShell_ != nullptr) {
    const bool background = kind_ == WindowKind::Background;
    view->layer = zwlr_layer_shell_v1_get_layer_surface(
        layerShell_, view->surface, output->output,
        background ? ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
        background ? "wallpaper" : "screensaver");
    zwlr_layer_surface_v1_add_listener(view->layer, &kLayerListener, view.get());
    zwlr_layer_surface_v1_set_anchor(view->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                      ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(view->layer, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(view->layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(view->layer, background ? 0 : 1);
  } else {
    view->xdgSurface = xdg_wm_base_get_xdg_surface(wmBase_, view->surface);
    xdg_surface_add_listener(view->xdgSurface, &kXdgSurfaceListener, view.get());
    view->toplevel = xdg_surface_get_toplevel(view->xdgSurface);
    xdg_toplevel_add_listener(view->toplevel, &kToplevelListener, view.get());
    xdg_toplevel_set_app_id(view->toplevel, "glimmerkin");
    if (output != nullptr) {
      xdg_toplevel_set_title(view->toplevel, "Screen Saver");
      xdg_toplevel_set_fullscreen(view->toplevel, output->output);
    } else {
      xdg_toplevel_set_title(view->toplevel, "Glimmerkin");
      const WindowSize size = TryOutSize(config_);
      view->width = size.width;
      view->height = size.height;
    }
  }
  wl_surface_commit(view->surface);
  return view;
}

// New outputs get a view and a scene of their own, planned with all the
// outputs so that the first keeps the seed's scene.
void WaylandSaver::FollowOutputs() {
  outputsChanged_ = false;
  if (kind_ == WindowKind::TryOut) return;
  std::vector<Monitor> monitors;
  std::vector<Output*> ready;
  for (auto& o : outputs_) {
    if (!o->done) continue;
    Monitor m;
    m.x = o->x;
    m.y = o->y;
    m.width = o->logicalWidth > 0 ? o->logicalWidth * o->scale : o->modeWidth;
    m.height = o->logicalHeight > 0 ? o->logicalHeight * o->scale : o->modeHeight;
    m.automaticPixelSize = o->scale;
    monitors.push_back(m);
    ready.push_back(o.get());
  }
  const auto areas = MonitorScenes(monitors, config_, seed_);
  for (const SceneArea& area : areas) {
    for (size_t i = 0; i < monitors.size(); ++i) {
      Output* o = ready[i];
      if (o->covered || o->refused || monitors[i].x != area.x || monitors[i].y != area.y ||
          monitors[i].width != area.width || monitors[i].height != area.height)
        continue;
      o->covered = true;
      auto view = MakeView(o);
      view->scale = o->scale;
      StartScene(*view, area);
      views_.push_back(std::move(view));
      break;
    }
  }
}

Buffer* WaylandSaver::FreeBuffer(View& view) {
  const int32_t w = view.width * view.scale;
  const int32_t h = view.height * view.scale;
  // Buffers of an old size go once the compositor has let them go.
  std::erase_if(view.buffers, [&](const std::unique_ptr<Buffer>& b) {
    return !b->busy && (b->width != w || b->height != h);
  });
  // The free buffer shown last lacks the least.
  Buffer* found = nullptr;
  for (auto& b : view.buffers)
    if (!b->busy && (found == nullptr || b->filledAt > found->filledAt)) found = b.get();
  if (found != nullptr) {
    for (size_t i = view.buffers.size(); i-- > 0 && view.buffers.size() > kKeptBuffers;) {
      Buffer* b = view.buffers[i].get();
      if (b != found && !b->busy && b->filledAt + kIdleFrames < view.frameCount)
        view.buffers.erase(view.buffers.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return found;
  }
  if (view.buffers.size() >= kMaxBuffers) return nullptr;
  const size_t stride = static_cast<size_t>(w) * 4;
  const size_t bytes = stride * static_cast<size_t>(h);
  if (bytes == 0 || bytes > size_t{INT32_MAX}) return nullptr;
  const int fd = memfd_create("glimmerkin-frame", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
    close(fd);
    return nullptr;
  }
  void* map = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  auto b = std::make_unique<Buffer>();
  b->pixels = static_cast<uint32_t*>(map);
  b->bytes = bytes;
  b->width = w;
  b->height = h;
  wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<int32_t>(bytes));
  b->buffer = wl_shm_pool_create_buffer(pool, 0, w, h, static_cast<int32_t>(stride),
                                        WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(b->buffer, &kBufferListener, b.get());
  view.buffers.push_back(std::move(b));
  return view.buffers.back().get();
}

// A view's shm buffers as the frame path sees them: a free one each frame,
// and how many of the view's frames it is behind.
class ViewTarget final : public PresentTarget {
 public:
  ViewTarget(View& view, Buffer* buffer, WaylandSaver& saver)
      : view_(view), buffer_(buffer), saver_(saver) {}
  PresentBuffer Acquire() override {
    if (buffer_ == nullptr) return PresentBuffer{};
    uint32_t age = 0;
    if (buffer_->filledAt != 0 && view_.frameCount - buffer_->filledAt <= kMaxBufferAge)
      age = static_cast<uint32_t>(view_.frameCount - buffer_->filledAt);
    return PresentBuffer{RasterView{buffer_->pixels, buffer_->width, buffer_->height, buffer_->width},
                         age};
  }
  void Present(std::span<const Rect> changed) override {
    buffer_->filledAt = view_.frameCount;
    saver_.Present(view_, *buffer_, changed);
  }

 private:
  View& view_;
  Buffer* buffer_;
  WaylandSaver& saver_;
};

// A view's scene steps when its interval has passed and the compositor has
// asked for the frame; a view without a free buffer skips the showing of
// that frame, never the step (the next buffer's age makes up for it).
bool WaylandSaver::Frame(int64_t nowNs) {
  bool ran = false;
  for (auto& view : views_) {
    if (view->scenes.Count() == 0 || !view->scenes.PaceAt(0).Due(nowNs)) continue;
    ++view->frameCount;
    Buffer* buffer = view->configured ? FreeBuffer(*view) : nullptr;
    ViewTarget target(*view, buffer, *this);
    view->scenes.RunDueFrames(nowNs, [&](size_t) -> PresentTarget& { return target; });
    view->ticked = true;
    view->missed = view->configured && buffer == nullptr;
    ran = true;
  }
  return ran;
}

int64_t WaylandSaver::NextFrameNs() {
  int64_t wake = kNoWake;
  for (const auto& view : views_) wake = EarlierWake(wake, view->scenes.NextFrameNs());
  return wake;
}

// A frame that found every buffer held is shown once one comes back, so
// the last frame before -frame-limit stops them reaches the screen too.
void WaylandSaver::ShowMissed(View& view) {
  if (view.scenes.Count() == 0) return;
  Buffer* buffer = FreeBuffer(view);
  if (buffer == nullptr) return;
  view.missed = false;
  ViewTarget target(view, buffer, *this);
  PresentAgain(view.scenes.StageAt(0), target);
}

// New scenes on the same surfaces, each output's the one a fresh start
// would give it: the plan's seeds all move by the change of the run's seed.
// Each surface keeps its last frame until its new scene's first, drawn whole.
void WaylandSaver::Restart() {
  const uint32_t seed = RestartSeed(config_, seed_);
  for (auto& view : views_) {
    if (view->scenes.Count() == 0) continue;
    SceneArea area = view->scenes.AreaAt(0);
    area.seed = area.seed - seed_ + seed;
    view->scenes.Destroy(nullptr);
    view->ticked = false;
    view->missed = false;
    std::optional<SceneArea> sized = area;
    // A configured surface has the size it shows at, which its scene may
    // have followed since it was planned.
    if (view->configured)
      sized = WindowScene(view->width * view->scale, view->height * view->scale, view->scale,
                          config_, area.seed);
    if (sized) StartScene(*view, *sized);
  }
  seed_ = seed;
}

// Every output there is has had its surface closed by the compositor. With
// no outputs at all the saver waits for one to come.
bool WaylandSaver::AllRefused() const {
  bool any = false;
  for (const auto& o : outputs_) {
    if (!o->done) continue;
    if (!o->refused) return false;
    any = true;
  }
  return any;
}

bool WaylandSaver::Lost() {
  const int error = wl_display_get_error(display_);
  if (error == 0) return false;
  if (error == EPROTO) {
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
    std::fprintf(stderr, "glimmerkin: the compositor refused a request (%s error %u)\n",
                 interface != nullptr ? interface->name : "unknown", code);
  } else {
    std::fprintf(stderr, "glimmerkin: lost the connection to the Wayland compositor\n");
  }
  return true;
}

void WaylandSaver::Dispatch() {
  if (wl_display_dispatch_pending(display_) < 0 || wl_display_get_error(display_) != 0) {
    if (!Lost()) std::fprintf(stderr, "glimmerkin: lost the connection to the Wayland compositor\n");
    Close(kExitNoDisplay);
    return;
  }
  if (viewClosed_) {
    // An output that goes takes its surface first and its global soon
    // after: wait for the compositor to say all before judging.
    viewClosed_ = false;
    if (wl_display_roundtrip(display_) < 0) {
      Lost();
      Close(kExitNoDisplay);
      return;
    }
    if (AllRefused()) {
      std::fprintf(stderr, "glimmerkin: the compositor closed the saver's surfaces\n");
      Close(kExitNoDisplay);
      return;
    }
  }
  if (outputsChanged_) FollowOutputs();
  for (auto& view : views_)
    if (view->missed) ShowMissed(*view);
}

// Events already queued are dispatched before any wait: the descriptor
// would not tell of them.
bool WaylandSaver::PrepareWait(short& events) {
  if (wl_display_prepare_read(display_) != 0) return false;
  events = POLLIN;
  if (wl_display_flush(display_) < 0 && errno == EAGAIN) events |= POLLOUT;
  return true;
}

void WaylandSaver::FinishWait(short revents) {
  if ((revents & (POLLIN | POLLERR | POLLHUP)) == 0) {
    wl_display_cancel_read(display_);
    return;
  }
  if (wl_display_read_events(display_) < 0) {
    if (!Lost()) std::fprintf(stderr, "glimmerkin: lost the connection to the Wayland compositor\n");
    Close(kExitNoDisplay);
  }
}

// libwayland's own report of a protocol error would be a second line
// beside the saver's.
void QuietLog(const char*, va_list) {}

int WaylandSaver::Run() {
  wl_log_set_handler_client(QuietLog);
  seed_ = RunSeed(config_);
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) {
    std::fprintf(stderr, "glimmerkin: cannot connect to the Wayland compositor\n");
    return kExitNoDisplay;
  }
  xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  role_ = kind_ == WindowKind::FullScreen ? CloseRole::AnyInput
          : kind_ == WindowKind::TryOut    ? CloseRole::QuitKey
                                           : CloseRole::Never;
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  // Globals, then what the outputs and the seat say of themselves.
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
    Lost();
    return kExitNoDisplay;
  }
  if (compositor_ == nullptr || shm_ == nullptr) {
    std::fprintf(stderr, "glimmerkin: the compositor offers no wl_compositor or wl_shm\n");
    return kExitNoDisplay;
  }
  if (kind_ == WindowKind::Background && layerShell_ == nullptr) {
    std::fprintf(stderr, "glimmerkin: -background needs a compositor with the layer shell\n");
    return 1;
  }
  // /s needs one of the two shells and nothing else (no seat: a compositor
  // beneath a locker offers none); the try-out window is a toplevel.
  if (kind_ == WindowKind::TryOut && wmBase_ == nullptr) {
    std::fprintf(stderr, "glimmerkin: -window needs a compositor with xdg-shell\n");
    return kExitNoDisplay;
  }
  if (layerShell_ == nullptr && wmBase_ == nullptr) {
    std::fprintf(stderr, "glimmerkin: the compositor offers neither the layer shell nor xdg-shell\n");
    return kExitNoDisplay;
  }
  if (kind_ == WindowKind::TryOut) views_.push_back(MakeView(nullptr));
  FollowOutputs();
  loop_.Run(wl_display_get_fd(display_), *this);
  return loop_.ExitCode();
}

}  // namespace

int RunWaylandSaver(WindowKind kind, const RunConfig& config) {
  WaylandSaver saver(kind, config);
  return saver.Run();
}

}  // namespace glimmerkin
