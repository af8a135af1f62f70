// A compositor that is wrong on purpose, for the saver's failure paths:
//   wayland_fake_compositor SOCKET MODE
// MODE: empty   no globals at all
//       bare    wl_compositor, wl_shm and one wl_output, no shell
//       refuse  bare, plus a layer shell that refuses every surface
//       close   bare, plus a layer shell that closes every surface at once
//       xdg     bare, plus xdg-shell (no layer shell): toplevels are 640x480
//       hangup  drops every client as it connects
// It serves in $XDG_RUNTIME_DIR/SOCKET until it is ended.
#include <wayland-server.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

extern "C" {
extern const struct wl_interface zwlr_layer_shell_v1_interface;
extern const struct wl_interface zwlr_layer_surface_v1_interface;
extern const struct wl_interface xdg_wm_base_interface;
}

namespace {

std::string g_mode;
wl_display* g_display = nullptr;

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
      wl_resource_set_dispatcher(made, Dispatch, nullptr, nullptr, nullptr);
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
  if (argc != 3) {
    std::fputs("usage: wayland_fake_compositor SOCKET empty|bare|refuse|close|hangup|xdg\n", stderr);
    return 2;
  }
  g_mode = argv[2];
  if (g_mode != "empty" && g_mode != "bare" && g_mode != "refuse" && g_mode != "close" &&
      g_mode != "hangup" && g_mode != "xdg") {
    std::fprintf(stderr, "wayland_fake_compositor: unknown mode '%s'\n", argv[2]);
    return 2;
  }
  g_display = wl_display_create();
  if (g_display == nullptr || wl_display_add_socket(g_display, argv[1]) != 0) {
    std::fprintf(stderr, "wayland_fake_compositor: cannot serve on '%s'\n", argv[1]);
    return 1;
  }
  if (g_mode == "hangup") wl_display_add_client_created_listener(g_display, &g_hangup);
  if (g_mode != "empty") {
    wl_display_init_shm(g_display);
    wl_global_create(g_display, &wl_compositor_interface, 4,
                     const_cast<wl_interface*>(&wl_compositor_interface), BindAny);
    wl_global_create(g_display, &wl_output_interface, 3,
                     const_cast<wl_interface*>(&wl_output_interface), BindAny);
  }
  if (g_mode == "refuse" || g_mode == "close")
    wl_global_create(g_display, &zwlr_layer_shell_v1_interface, 4,
                     const_cast<wl_interface*>(&zwlr_layer_shell_v1_interface), BindAny);
  if (g_mode == "xdg")
    wl_global_create(g_display, &xdg_wm_base_interface, 1,
                     const_cast<wl_interface*>(&xdg_wm_base_interface), BindAny);
  wl_event_loop* loop = wl_display_get_event_loop(g_display);
  wl_event_loop_add_signal(loop, SIGTERM, Stop, nullptr);
  wl_event_loop_add_signal(loop, SIGINT, Stop, nullptr);
  wl_display_run(g_display);
  wl_display_destroy_clients(g_display);
  wl_display_destroy(g_display);
  return 0;
}
