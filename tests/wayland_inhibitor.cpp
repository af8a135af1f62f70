// A Wayland client that holds an idle inhibitor, as a video player does: a
// small window with a surface the compositor shows, and on it a
// zwp_idle_inhibitor_v1. Prints "inhibiting" once it is mapped and lives
// until killed.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "idle-inhibit-client.h"
#include "xdg-shell-client.h"

namespace {

wl_compositor* g_compositor = nullptr;
wl_shm* g_shm = nullptr;
xdg_wm_base* g_wm = nullptr;
zwp_idle_inhibit_manager_v1* g_inhibit = nullptr;
bool g_configured = false;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  if (std::strcmp(interface, wl_compositor_interface.name) == 0)
    g_compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  else if (std::strcmp(interface, wl_shm_interface.name) == 0)
    g_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0)
    g_wm = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
  else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
    g_inhibit = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return 1;
  wl_registry* registry = wl_display_get_registry(display);
  static const wl_registry_listener kRegistry = {Global, [](void*, wl_registry*, uint32_t) {}};
  wl_registry_add_listener(registry, &kRegistry, nullptr);
  wl_display_roundtrip(display);
  if (g_compositor == nullptr || g_shm == nullptr || g_wm == nullptr || g_inhibit == nullptr) {
    std::fprintf(stderr, "wayland_inhibitor: the compositor lacks what is needed\n");
    return 1;
  }
  static const xdg_wm_base_listener kWm = {
      [](void*, xdg_wm_base* wm, uint32_t serial) { xdg_wm_base_pong(wm, serial); }};
  xdg_wm_base_add_listener(g_wm, &kWm, nullptr);
  wl_surface* surface = wl_compositor_create_surface(g_compositor);
  xdg_surface* shell = xdg_wm_base_get_xdg_surface(g_wm, surface);
  static const xdg_surface_listener kShell = {[](void*, xdg_surface* s, uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    g_configured = true;
  }};
  xdg_surface_add_listener(shell, &kShell, nullptr);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(shell);
  xdg_toplevel_set_title(toplevel, "inhibitor");
  wl_surface_commit(surface);
  while (!g_configured)
    if (wl_display_dispatch(display) < 0) return 1;

  constexpr int kSide = 64;
  const int fd = memfd_create("inhibitor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, kSide * kSide * 4) != 0) return 1;
  void* pixels = mmap(nullptr, kSide * kSide * 4, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (pixels == MAP_FAILED) return 1;
  std::memset(pixels, 0x80, kSide * kSide * 4);
  wl_shm_pool* pool = wl_shm_create_pool(g_shm, fd, kSide * kSide * 4);
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, kSide, kSide, kSide * 4, WL_SHM_FORMAT_XRGB8888);
  zwp_idle_inhibit_manager_v1_create_inhibitor(g_inhibit, surface);
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage(surface, 0, 0, kSide, kSide);
  wl_surface_commit(surface);
  wl_display_roundtrip(display);
  std::printf("inhibiting\n");
  std::fflush(stdout);
  while (wl_display_dispatch(display) >= 0) {
  }
  return 0;
}
