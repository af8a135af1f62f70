#include "host/wayland/wayland_saver.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string_view>

#include "host/application_id.h"
#include "host/display_rules.h"
#include "host/linux/run_plan.h"
#include "host/saver_main.h"
#include "host/wayland/wayland_saver_class.h"

namespace glimmerkin {
namespace wayland {
namespace {

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

}  // namespace

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

void WaylandSaver::Configure(View& view, int32_t width, int32_t height) {
  // A size left to us: a view over an output takes the output's (a
  // fullscreen toplevel whose first configure says 0x0), the try-out window
  // its usual size.
  if ((width <= 0 || height <= 0) && view.output != nullptr) {
    const Output& o = *view.output;
    width = o.logicalWidth > 0 ? o.logicalWidth : o.modeWidth / std::max(o.scale, 1);
    height = o.logicalHeight > 0 ? o.logicalHeight : o.modeHeight / std::max(o.scale, 1);
  }
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
      ResizeStage(stage, stageWidth, stageHeight);
  }
  if (!view.shown) ShowBlack(view);
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
    xdg_toplevel_set_app_id(view->toplevel, kApplicationId);
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

}  // namespace wayland

int RunWaylandSaver(WindowKind kind, const RunConfig& config) {
  wayland::WaylandSaver saver(kind, config);
  return saver.Run();
}

}  // namespace glimmerkin
