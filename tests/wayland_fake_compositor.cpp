// A compositor that is wrong on purpose, for the saver's failure paths:
//   wayland_fake_compositor SOCKET MODE
// MODE: empty   no globals at all
//       bare    wl_compositor, wl_shm and one wl_output, no shell
//       refuse  bare, plus a layer shell that refuses every surface
//       close   bare, plus a layer shell that closes every surface at once
//       xdg     bare, plus xdg-shell (no layer shell): toplevels are 640x480
//       buffers xdg, and every commit is checked: a buffer's pixels outside
//               the damage must be what the surface showed before. Buffers
//               are let go late and out of order, so the client draws into
//               new, recent and long-unused ones; from commit HOLD on none
//               is let go for a second, so a client with four buffers meets
//               frames with nowhere to draw. After each commit the
//               surface's picture goes to OUT.ppm and the counts to OUT.txt.
//       churn   xdg, and a second output that comes and goes every 10 ms;
//               SIGUSR1 asks every toplevel to close and prints how many
//               toplevels were made
//       frames  xdg, and a line "commit MS" for every commit; SIGUSR1
//               withholds the frame callbacks (as for an output powered
//               down), SIGUSR2 sends them again
//       hangup  drops every client as it connects
//       plugin  what swaylock-plugin offers the program beneath its lock:
//               wl_compositor, wl_shm, zwlr_layer_shell_v1, xdg_output,
//               two wl_outputs (FAKE-1 640x480 at 0,0, FAKE-2 320x240 at
//               640,0), wp_viewporter and wp_fractional_scale_manager_v1;
//               no wl_seat, no xdg_wm_base. A layer surface is configured
//               to its output's size at its first commit; each commit with a
//               buffer prints "commit OUTPUT WxH drawn|black whole|part MS"
//               (MS: since the client connected) and lets the buffer go at
//               once. SIGUSR1 hangs up on every client.
// Every mode answers a surface's frame requests after its commit, every
// 10 ms (a 100 Hz display), also once the surface is gone, with time 0.
// It serves in $XDG_RUNTIME_DIR/SOCKET until it is ended.
#include <wayland-server.h>

#include <time.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern "C" {
extern const struct wl_interface zwlr_layer_shell_v1_interface;
extern const struct wl_interface zwlr_layer_surface_v1_interface;
extern const struct wl_interface xdg_wm_base_interface;
extern const struct wl_interface xdg_toplevel_interface;
extern const struct wl_interface zxdg_output_manager_v1_interface;
extern const struct wl_interface zxdg_output_v1_interface;
extern const struct wl_interface wp_viewporter_interface;
extern const struct wl_interface wp_fractional_scale_manager_v1_interface;
}

namespace {

std::string g_mode;
wl_display* g_display = nullptr;

int Dispatch(const void*, void* target, uint32_t, const wl_message* message, wl_argument* args);

// --- frame callbacks ------------------------------------------------------

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

struct FrameRequest {
  wl_resource* callback;
  const wl_resource* surface;  // compared only: it may be gone
  bool committed;
};
std::vector<FrameRequest> g_frames;
bool g_withhold = false;
wl_event_source* g_frameTimer = nullptr;
long long g_startMs = 0;

void CallbackGone(wl_resource* resource) {
  std::erase_if(g_frames, [&](const FrameRequest& f) { return f.callback == resource; });
}

void Committed(const wl_resource* surface) {
  for (FrameRequest& f : g_frames)
    if (f.surface == surface) f.committed = true;
  if (g_mode == "frames") {
    std::printf("commit %lld\n", NowMs() - g_startMs);
    std::fflush(stdout);
  }
}

int SendFrames(void*) {
  if (!g_withhold) {
    std::vector<wl_resource*> done;
    for (const FrameRequest& f : g_frames)
      if (f.committed) done.push_back(f.callback);
    for (wl_resource* callback : done) {
      wl_callback_send_done(callback, 0);
      wl_resource_destroy(callback);
    }
  }
  wl_event_source_timer_update(g_frameTimer, 10);
  return 0;
}

int Withhold(int number, void*) {
  g_withhold = number == SIGUSR1;
  return 0;
}

// --- buffers mode ---------------------------------------------------------

std::string g_out;

// A buffer the client has committed; the listener comes first so that the
// destroy notification leads back to it.
struct Known {
  wl_listener destroyed;
  wl_resource* buffer = nullptr;
  uint64_t lastCommit = 0;  // 0: never committed
  bool held = false;
};
std::vector<std::unique_ptr<Known>> g_known;

struct Surface {
  wl_resource* pending = nullptr;
  bool attached = false;
  std::vector<int32_t> damage;  // x, y, w, h each
  int32_t width = 0, height = 0;
  std::vector<uint32_t> shown;
};
std::vector<Surface*> g_surfaces;

struct Counts {
  uint64_t commits = 0;
  uint64_t wrong = 0;    // pixels outside the damage that differ from before
  uint64_t partial = 0;  // commits that damaged less than the whole
  uint64_t fresh = 0;    // buffers never committed before
  uint64_t age[5] = {};  // age[1..4]: committed that many commits ago
  uint64_t older = 0;
} g_counts;

uint64_t g_holdFrom = 0;
bool g_holding = false;
wl_event_source* g_holdTimer = nullptr;

uint32_t g_random = 12345;
uint32_t Random(uint32_t below) {
  g_random = g_random * 1103515245u + 12345u;
  return (g_random >> 16) % below;
}

void Forget(wl_listener* listener, void*) {
  auto* known = reinterpret_cast<Known*>(listener);
  wl_list_remove(&listener->link);
  for (Surface* surface : g_surfaces)
    if (surface->pending == known->buffer) surface->pending = nullptr;
  std::erase_if(g_known, [&](const std::unique_ptr<Known>& k) { return k.get() == known; });
}

Known& KnownFor(wl_resource* buffer) {
  for (auto& k : g_known)
    if (k->buffer == buffer) return *k;
  auto k = std::make_unique<Known>();
  k->buffer = buffer;
  k->destroyed.notify = Forget;
  wl_resource_add_destroy_listener(buffer, &k->destroyed);
  g_known.push_back(std::move(k));
  return *g_known.back();
}

// Written aside and renamed, so a reader never sees half a file.
void WriteOut(const Surface& surface) {
  if (g_out.empty()) return;
  std::string tmp = g_out + ".tmp";
  if (FILE* f = std::fopen(tmp.c_str(), "wb")) {
    std::fprintf(f, "P6\n%d %d\n255\n", surface.width, surface.height);
    for (uint32_t p : surface.shown) {
      const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                    static_cast<unsigned char>(p >> 8),
                                    static_cast<unsigned char>(p)};
      std::fwrite(rgb, 1, 3, f);
    }
    std::fclose(f);
    std::rename(tmp.c_str(), (g_out + ".ppm").c_str());
  }
  if (FILE* f = std::fopen(tmp.c_str(), "w")) {
    const Counts& c = g_counts;
    std::fprintf(f,
                 "commits=%llu wrong=%llu partial=%llu fresh=%llu age1=%llu age2=%llu age3=%llu "
                 "age4=%llu older=%llu\n",
                 static_cast<unsigned long long>(c.commits), static_cast<unsigned long long>(c.wrong),
                 static_cast<unsigned long long>(c.partial), static_cast<unsigned long long>(c.fresh),
                 static_cast<unsigned long long>(c.age[1]), static_cast<unsigned long long>(c.age[2]),
                 static_cast<unsigned long long>(c.age[3]), static_cast<unsigned long long>(c.age[4]),
                 static_cast<unsigned long long>(c.older));
    std::fclose(f);
    std::rename(tmp.c_str(), (g_out + ".txt").c_str());
  }
}

void Commit(Surface& surface) {
  if (!surface.attached || surface.pending == nullptr) {
    surface.attached = false;
    surface.damage.clear();
    return;
  }
  wl_resource* resource = surface.pending;
  surface.attached = false;
  wl_shm_buffer* shm = wl_shm_buffer_get(resource);
  if (shm == nullptr) return;
  const int32_t w = wl_shm_buffer_get_width(shm);
  const int32_t h = wl_shm_buffer_get_height(shm);
  const int32_t stride = wl_shm_buffer_get_stride(shm);
  Counts& c = g_counts;
  Known& known = KnownFor(resource);
  ++c.commits;
  const uint64_t age = known.lastCommit == 0 ? 0 : c.commits - known.lastCommit;
  if (age == 0) ++c.fresh;
  else if (age <= 4) ++c.age[age];
  else ++c.older;
  known.lastCommit = c.commits;

  // What the damage covers; a surface of another size had nothing to keep.
  std::vector<uint8_t> damaged(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  for (size_t i = 0; i + 3 < surface.damage.size(); i += 4) {
    const int32_t x0 = std::max(surface.damage[i], 0);
    const int32_t y0 = std::max(surface.damage[i + 1], 0);
    const int32_t x1 = std::min<int64_t>(int64_t{surface.damage[i]} + surface.damage[i + 2], w);
    const int32_t y1 = std::min<int64_t>(int64_t{surface.damage[i + 1]} + surface.damage[i + 3], h);
    for (int32_t y = y0; y < y1; ++y)
      std::fill(damaged.begin() + static_cast<ptrdiff_t>(y) * w + x0,
                damaged.begin() + static_cast<ptrdiff_t>(y) * w + x1, 1);
  }
  surface.damage.clear();
  const bool sameSize = surface.width == w && surface.height == h;
  if (!sameSize) surface.shown.assign(damaged.size(), 0);
  uint64_t area = 0;
  wl_shm_buffer_begin_access(shm);
  const auto* data = static_cast<const uint8_t*>(wl_shm_buffer_get_data(shm));
  for (int32_t y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      const uint32_t pixel = row[x] & 0xffffff;
      if (damaged[i]) {
        ++area;
      } else if (!sameSize || pixel != surface.shown[i]) {
        ++c.wrong;
      }
      surface.shown[i] = pixel;
    }
  }
  wl_shm_buffer_end_access(shm);
  surface.width = w;
  surface.height = h;
  if (area < damaged.size()) ++c.partial;

  if (g_holdFrom != 0 && c.commits >= g_holdFrom && g_holdTimer != nullptr) {
    known.held = true;
    if (!g_holding) wl_event_source_timer_update(g_holdTimer, 1000);
    g_holding = true;
    WriteOut(surface);
    return;
  }
  // Held buffers go back at random, the one just committed at once now and
  // then (as a compositor that copies it does), never more than three kept
  // at once, so a client with four always has one to draw into.
  known.held = Random(4) != 0;
  if (!known.held) wl_buffer_send_release(resource);
  std::vector<Known*> held;
  for (auto& k : g_known)
    if (k->held && k.get() != &known) held.push_back(k.get());
  for (Known* k : held)
    if (Random(3) == 0) {
      k->held = false;
      wl_buffer_send_release(k->buffer);
    }
  std::erase_if(held, [](const Known* k) { return !k->held; });
  while (held.size() > 2) {
    const size_t pick = Random(static_cast<uint32_t>(held.size()));
    held[pick]->held = false;
    wl_buffer_send_release(held[pick]->buffer);
    held.erase(held.begin() + static_cast<ptrdiff_t>(pick));
  }
  WriteOut(surface);
}

// --- plugin mode ----------------------------------------------------------

struct FakeOutput {
  const char* name;
  int32_t x, y, width, height;
};
const FakeOutput kPluginOutputs[] = {{"FAKE-1", 0, 0, 640, 480}, {"FAKE-2", 640, 0, 320, 240}};

struct PluginSurface {
  wl_resource* surface = nullptr;
  wl_resource* layer = nullptr;
  const FakeOutput* output = nullptr;
  bool configured = false;
  // The attached buffer by id: it may be gone by the commit.
  uint32_t pendingBuffer = 0;
  bool attached = false;
  bool whole = false;  // the damage since the last commit covers the buffer
  std::vector<int32_t> damage;
};
std::vector<PluginSurface*> g_pluginSurfaces;
long long g_connectedMs = 0;

void PluginCommit(PluginSurface& surface) {
  if (surface.layer != nullptr && !surface.configured && surface.output != nullptr) {
    surface.configured = true;
    wl_resource_post_event(surface.layer, 0, wl_display_next_serial(g_display),
                           static_cast<uint32_t>(surface.output->width),
                           static_cast<uint32_t>(surface.output->height));
  }
  const bool attached = surface.attached;
  surface.attached = false;
  std::vector<int32_t> damage;
  damage.swap(surface.damage);
  if (!attached || surface.pendingBuffer == 0) return;
  wl_resource* buffer =
      wl_client_get_object(wl_resource_get_client(surface.surface), surface.pendingBuffer);
  wl_shm_buffer* shm = buffer != nullptr ? wl_shm_buffer_get(buffer) : nullptr;
  if (shm == nullptr) return;
  const int32_t w = wl_shm_buffer_get_width(shm);
  const int32_t h = wl_shm_buffer_get_height(shm);
  const int32_t stride = wl_shm_buffer_get_stride(shm);
  bool drawn = false;
  wl_shm_buffer_begin_access(shm);
  const auto* data = static_cast<const uint8_t*>(wl_shm_buffer_get_data(shm));
  for (int32_t y = 0; y < h && !drawn; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < w; ++x)
      if ((row[x] & 0xffffff) != 0) {
        drawn = true;
        break;
      }
  }
  wl_shm_buffer_end_access(shm);
  bool whole = false;
  for (size_t i = 0; i + 3 < damage.size(); i += 4)
    if (damage[i] <= 0 && damage[i + 1] <= 0 && int64_t{damage[i]} + damage[i + 2] >= w &&
        int64_t{damage[i + 1]} + damage[i + 3] >= h)
      whole = true;
  std::printf("commit %s %dx%d %s %s %lld\n",
              surface.output != nullptr ? surface.output->name : "none", w, h,
              drawn ? "drawn" : "black", whole ? "whole" : "part", NowMs() - g_connectedMs);
  std::fflush(stdout);
  wl_buffer_send_release(buffer);
}

// wl_surface as above: attach, damage and damage_buffer (scale 1), commit.
int DispatchPluginSurface(const void* implementation, void* target, uint32_t opcode,
                          const wl_message* message, wl_argument* args) {
  auto* surface = static_cast<PluginSurface*>(wl_resource_get_user_data(static_cast<wl_resource*>(target)));
  switch (opcode) {
    case 1:
      surface->pendingBuffer =
          args[0].o != nullptr ? wl_resource_get_id(reinterpret_cast<wl_resource*>(args[0].o)) : 0;
      surface->attached = true;
      return 0;
    case 2:
    case 9:
      surface->damage.insert(surface->damage.end(), {args[0].i, args[1].i, args[2].i, args[3].i});
      return 0;
    case 6:
      PluginCommit(*surface);
      Committed(static_cast<wl_resource*>(target));
      return 0;
    default:
      return Dispatch(implementation, target, opcode, message, args);
  }
}

void PluginSurfaceGone(wl_resource* resource) {
  auto* surface = static_cast<PluginSurface*>(wl_resource_get_user_data(resource));
  std::erase(g_pluginSurfaces, surface);
  delete surface;
}

void PluginLayerGone(wl_resource* resource) {
  for (PluginSurface* surface : g_pluginSurfaces)
    if (surface->layer == resource) surface->layer = nullptr;
}

void BindPluginOutput(wl_client* client, void* data, uint32_t version, uint32_t id) {
  const auto* output = static_cast<const FakeOutput*>(data);
  wl_resource* resource =
      wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
  if (resource == nullptr) return;
  wl_resource_set_dispatcher(resource, Dispatch, nullptr, data, nullptr);
  wl_output_send_geometry(resource, output->x, output->y, 300, 200, WL_OUTPUT_SUBPIXEL_UNKNOWN,
                          "fake", output->name, WL_OUTPUT_TRANSFORM_NORMAL);
  wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, output->width, output->height, 60000);
  wl_output_send_scale(resource, 1);
  wl_output_send_done(resource);
}

// Which of the fake outputs a client's wl_output stands for; none for
// another object.
const FakeOutput* OutputOf(wl_resource* resource) {
  if (resource == nullptr || !wl_resource_instance_of(resource, &wl_output_interface, nullptr))
    return nullptr;
  return static_cast<const FakeOutput*>(wl_resource_get_user_data(resource));
}

int HangUpAll(int, void*) {
  std::vector<wl_client*> clients;
  wl_client* client = nullptr;
  wl_client_for_each(client, wl_display_get_client_list(g_display)) clients.push_back(client);
  for (wl_client* c : clients) wl_client_destroy(c);
  return 0;
}

void Connected(wl_listener*, void*) { g_connectedMs = NowMs(); }
wl_listener g_connected = {{nullptr, nullptr}, Connected};

// --- churn mode -----------------------------------------------------------

std::vector<wl_resource*> g_toplevels;
unsigned long g_toplevelsMade = 0;
wl_global* g_extra = nullptr;
// Globals taken away are destroyed only some turns later: a client may
// still bind one it has just been told of.
std::vector<std::pair<wl_global*, int>> g_retired;
wl_event_source* g_churnTimer = nullptr;

void ToplevelGone(wl_resource* resource) { std::erase(g_toplevels, resource); }

// The second output: right of the first, smaller.
void BindExtraOutput(wl_client* client, void*, uint32_t version, uint32_t id) {
  wl_resource* resource =
      wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
  if (resource == nullptr) return;
  wl_resource_set_dispatcher(resource, Dispatch, nullptr, nullptr, nullptr);
  wl_output_send_geometry(resource, 640, 0, 150, 100, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "extra",
                          WL_OUTPUT_TRANSFORM_NORMAL);
  wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, 320, 240, 60000);
  if (version >= 2) {
    wl_output_send_scale(resource, 1);
    wl_output_send_done(resource);
  }
}

int Churn(void*) {
  for (auto& [global, turns] : g_retired)
    if (--turns == 0) wl_global_destroy(global);
  std::erase_if(g_retired, [](const auto& r) { return r.second == 0; });
  if (g_extra != nullptr) {
    wl_global_remove(g_extra);
    g_retired.emplace_back(g_extra, 50);
    g_extra = nullptr;
  } else {
    g_extra = wl_global_create(g_display, &wl_output_interface, 3, nullptr, BindExtraOutput);
  }
  wl_event_source_timer_update(g_churnTimer, 10);
  return 0;
}

int CloseAll(int, void*) {
  std::fprintf(stderr, "toplevels=%lu\n", g_toplevelsMade);
  for (wl_resource* toplevel : g_toplevels) wl_resource_post_event(toplevel, 1);
  return 0;
}

// The second of holding is over: every buffer goes back, and from now on
// they are let go as before.
int EndHold(void*) {
  for (auto& k : g_known)
    if (k->held) {
      k->held = false;
      wl_buffer_send_release(k->buffer);
    }
  wl_event_source_remove(g_holdTimer);
  g_holdTimer = nullptr;
  return 0;
}

// wl_surface: destroy, attach, damage, frame, set_opaque_region,
// set_input_region, commit, set_buffer_transform, set_buffer_scale,
// damage_buffer. The scale stays 1, so damage in either form is in pixels.
int DispatchSurface(const void* implementation, void* target, uint32_t opcode,
                    const wl_message* message, wl_argument* args) {
  auto* resource = static_cast<wl_resource*>(target);
  auto* surface = static_cast<Surface*>(wl_resource_get_user_data(resource));
  switch (opcode) {
    case 1:
      surface->pending = args[0].o != nullptr ? reinterpret_cast<wl_resource*>(args[0].o) : nullptr;
      if (surface->pending != nullptr) KnownFor(surface->pending);
      surface->attached = true;
      return 0;
    case 2:
    case 9:
      surface->damage.insert(surface->damage.end(), {args[0].i, args[1].i, args[2].i, args[3].i});
      return 0;
    case 6:
      Commit(*surface);
      Committed(resource);
      return 0;
    default:
      return Dispatch(implementation, target, opcode, message, args);
  }
}

void SurfaceGone(wl_resource* resource) {
  auto* surface = static_cast<Surface*>(wl_resource_get_user_data(resource));
  std::erase(g_surfaces, surface);
  delete surface;
}

// Every object but the shells takes any request: destructors destroy, new
// objects are made with this same dispatcher, the rest is dropped.
int Dispatch(const void*, void* target, uint32_t, const wl_message* message, wl_argument* args) {
  auto* resource = static_cast<wl_resource*>(target);
  int index = 0;
  for (const char* c = message->signature; *c != '\0'; ++c) {
    if (*c == '?' || (*c >= '0' && *c <= '9')) continue;
    if (*c == 'n' && message->types[index] != nullptr) {
      wl_resource* made = wl_resource_create(wl_resource_get_client(resource), message->types[index],
                                             wl_resource_get_version(resource), args[index].n);
      if (made == nullptr) {
        wl_client_post_no_memory(wl_resource_get_client(resource));
        return 0;
      }
      if (g_mode == "plugin" && message->types[index] == &wl_surface_interface) {
        auto* surface = new PluginSurface;
        surface->surface = made;
        g_pluginSurfaces.push_back(surface);
        wl_resource_set_dispatcher(made, DispatchPluginSurface, nullptr, surface, PluginSurfaceGone);
      } else if (g_mode == "plugin" && message->types[index] == &zxdg_output_v1_interface) {
        // get_xdg_output(new id, output): its logical place and size.
        wl_resource_set_dispatcher(made, Dispatch, nullptr, nullptr, nullptr);
        if (const FakeOutput* output = OutputOf(reinterpret_cast<wl_resource*>(args[index + 1].o))) {
          wl_resource_post_event(made, 0, output->x, output->y);
          wl_resource_post_event(made, 1, output->width, output->height);
          if (wl_resource_get_version(made) < 3) wl_resource_post_event(made, 2);
        }
      } else if (g_mode == "buffers" && message->types[index] == &wl_surface_interface) {
        auto* surface = new Surface;
        g_surfaces.push_back(surface);
        wl_resource_set_dispatcher(made, DispatchSurface, nullptr, surface, SurfaceGone);
      } else if (g_mode == "churn" && message->types[index] == &xdg_toplevel_interface) {
        g_toplevels.push_back(made);
        ++g_toplevelsMade;
        wl_resource_set_dispatcher(made, Dispatch, nullptr, nullptr, ToplevelGone);
      } else if (message->types[index] == &wl_callback_interface &&
                 std::strcmp(message->name, "frame") == 0) {
        wl_resource_set_dispatcher(made, Dispatch, nullptr, nullptr, CallbackGone);
        g_frames.push_back({made, resource, false});
      } else {
        wl_resource_set_dispatcher(made, Dispatch, nullptr, nullptr, nullptr);
      }
      // A new toplevel (from xdg_surface.get_toplevel) is told its size,
      // and its xdg_surface confirms it.
      if (std::strcmp(message->types[index]->name, "xdg_toplevel") == 0) {
        wl_array states;
        wl_array_init(&states);
        wl_resource_post_event(made, 0, 640, 480, &states);
        wl_array_release(&states);
        wl_resource_post_event(resource, 0, wl_display_next_serial(g_display));
      }
    }
    ++index;
  }
  if (std::strcmp(wl_resource_get_class(resource), "wl_surface") == 0) {
    // The frames mode copies each buffer at its commit and lets it go.
    static std::vector<std::pair<const wl_resource*, uint32_t>> attached;
    if (std::strcmp(message->name, "attach") == 0 && g_mode == "frames") {
      std::erase_if(attached, [&](const auto& a) { return a.first == resource; });
      if (args[0].o != nullptr)
        attached.emplace_back(resource, wl_resource_get_id(reinterpret_cast<wl_resource*>(args[0].o)));
    }
    if (std::strcmp(message->name, "commit") == 0) {
      for (const auto& a : attached)
        if (a.first == resource)
          if (wl_resource* buffer = wl_client_get_object(wl_resource_get_client(resource), a.second))
            wl_buffer_send_release(buffer);
      std::erase_if(attached, [&](const auto& a) { return a.first == resource; });
      Committed(resource);
    }
  }
  if (std::strcmp(message->name, "destroy") == 0) wl_resource_destroy(resource);
  return 0;
}

// zwlr_layer_shell_v1: get_layer_surface(new_id, surface, output, layer, scope), destroy.
int DispatchLayerShell(const void*, void* target, uint32_t opcode, const wl_message*,
                       wl_argument* args) {
  auto* shell = static_cast<wl_resource*>(target);
  if (opcode != 0) {
    wl_resource_destroy(shell);
    return 0;
  }
  if (g_mode == "refuse") {
    wl_resource_post_error(shell, 0, "this compositor takes no layer surfaces");
    return 0;
  }
  if (g_mode == "plugin") {
    wl_resource* layer = wl_resource_create(wl_resource_get_client(shell),
                                            &zwlr_layer_surface_v1_interface,
                                            wl_resource_get_version(shell), args[0].n);
    if (layer == nullptr) return 0;
    wl_resource_set_dispatcher(layer, Dispatch, nullptr, nullptr, PluginLayerGone);
    auto* surface = args[1].o != nullptr
                        ? static_cast<PluginSurface*>(wl_resource_get_user_data(
                              reinterpret_cast<wl_resource*>(args[1].o)))
                        : nullptr;
    if (surface != nullptr) {
      surface->layer = layer;
      // No output named: the compositor picks one, here the first.
      const FakeOutput* output = OutputOf(reinterpret_cast<wl_resource*>(args[2].o));
      surface->output = output != nullptr ? output : &kPluginOutputs[0];
    }
    return 0;
  }
  wl_resource* layer = wl_resource_create(wl_resource_get_client(shell),
                                          &zwlr_layer_surface_v1_interface,
                                          wl_resource_get_version(shell), args[0].n);
  if (layer == nullptr) return 0;
  wl_resource_set_dispatcher(layer, Dispatch, nullptr, nullptr, nullptr);
  wl_resource_post_event(layer, 1);  // closed
  return 0;
}

void BindAny(wl_client* client, void* data, uint32_t version, uint32_t id) {
  const auto* interface = static_cast<const wl_interface*>(data);
  wl_resource* resource = wl_resource_create(client, interface, static_cast<int>(version), id);
  if (resource == nullptr) return;
  if (interface == &zwlr_layer_shell_v1_interface)
    wl_resource_set_dispatcher(resource, DispatchLayerShell, nullptr, nullptr, nullptr);
  else
    wl_resource_set_dispatcher(resource, Dispatch, nullptr, nullptr, nullptr);
  if (interface == &wl_output_interface) {
    wl_output_send_geometry(resource, 0, 0, 300, 200, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, 640, 480, 60000);
    if (version >= 2) {
      wl_output_send_scale(resource, 1);
      wl_output_send_done(resource);
    }
  }
}

void Hangup(wl_listener*, void* data) { wl_client_destroy(static_cast<wl_client*>(data)); }
wl_listener g_hangup = {{nullptr, nullptr}, Hangup};

int Stop(int, void*) {
  wl_display_terminate(g_display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && std::strcmp(argv[2], "buffers") == 0)) {
    std::fputs("usage: wayland_fake_compositor SOCKET empty|bare|refuse|close|hangup|xdg|churn|plugin|frames\n"
               "       wayland_fake_compositor SOCKET buffers OUT HOLD\n",
               stderr);
    return 2;
  }
  g_mode = argv[2];
  if (argc == 5) {
    g_out = argv[3];
    g_holdFrom = std::strtoull(argv[4], nullptr, 10);
  }
  if (g_mode != "empty" && g_mode != "bare" && g_mode != "refuse" && g_mode != "close" &&
      g_mode != "hangup" && g_mode != "xdg" && g_mode != "buffers" && g_mode != "churn" &&
      g_mode != "plugin" && g_mode != "frames") {
    std::fprintf(stderr, "wayland_fake_compositor: unknown mode '%s'\n", argv[2]);
    return 2;
  }
  g_display = wl_display_create();
  if (g_display == nullptr || wl_display_add_socket(g_display, argv[1]) != 0) {
    std::fprintf(stderr, "wayland_fake_compositor: cannot serve on '%s'\n", argv[1]);
    return 1;
  }
  if (g_mode == "hangup") wl_display_add_client_created_listener(g_display, &g_hangup);
  if (g_mode == "plugin") {
    wl_display_add_client_created_listener(g_display, &g_connected);
    wl_display_init_shm(g_display);
    wl_global_create(g_display, &wl_compositor_interface, 4,
                     const_cast<wl_interface*>(&wl_compositor_interface), BindAny);
    for (const FakeOutput& output : kPluginOutputs)
      wl_global_create(g_display, &wl_output_interface, 3, const_cast<FakeOutput*>(&output),
                       BindPluginOutput);
    for (const wl_interface* interface :
         {&zwlr_layer_shell_v1_interface, &zxdg_output_manager_v1_interface,
          &wp_viewporter_interface, &wp_fractional_scale_manager_v1_interface})
      wl_global_create(g_display, interface, interface->version, const_cast<wl_interface*>(interface),
                       BindAny);
  } else if (g_mode != "empty") {
    wl_display_init_shm(g_display);
    wl_global_create(g_display, &wl_compositor_interface, 4,
                     const_cast<wl_interface*>(&wl_compositor_interface), BindAny);
    wl_global_create(g_display, &wl_output_interface, 3,
                     const_cast<wl_interface*>(&wl_output_interface), BindAny);
  }
  if (g_mode == "refuse" || g_mode == "close")
    wl_global_create(g_display, &zwlr_layer_shell_v1_interface, 4,
                     const_cast<wl_interface*>(&zwlr_layer_shell_v1_interface), BindAny);
  if (g_mode == "xdg" || g_mode == "buffers" || g_mode == "churn" || g_mode == "frames")
    wl_global_create(g_display, &xdg_wm_base_interface, 1,
                     const_cast<wl_interface*>(&xdg_wm_base_interface), BindAny);
  wl_event_loop* loop = wl_display_get_event_loop(g_display);
  wl_event_loop_add_signal(loop, SIGTERM, Stop, nullptr);
  wl_event_loop_add_signal(loop, SIGINT, Stop, nullptr);
  g_startMs = NowMs();
  g_frameTimer = wl_event_loop_add_timer(loop, SendFrames, nullptr);
  wl_event_source_timer_update(g_frameTimer, 10);
  if (g_mode == "frames") {
    wl_event_loop_add_signal(loop, SIGUSR1, Withhold, nullptr);
    wl_event_loop_add_signal(loop, SIGUSR2, Withhold, nullptr);
  }
  if (g_mode == "buffers" && g_holdFrom != 0) g_holdTimer = wl_event_loop_add_timer(loop, EndHold, nullptr);
  if (g_mode == "plugin") wl_event_loop_add_signal(loop, SIGUSR1, HangUpAll, nullptr);
  if (g_mode == "churn") {
    wl_event_loop_add_signal(loop, SIGUSR1, CloseAll, nullptr);
    g_churnTimer = wl_event_loop_add_timer(loop, Churn, nullptr);
    wl_event_source_timer_update(g_churnTimer, 10);
  }
  wl_display_run(g_display);
  wl_display_destroy_clients(g_display);
  wl_display_destroy(g_display);
  return 0;
}
