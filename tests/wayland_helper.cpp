// Test helper for the Wayland saver tests: a pointer device of its own
// (zwlr_virtual_pointer_v1), moved, clicked and scrolled step by step.
//   wayland_helper pointer WxH STEP...
// W and H are the extent of the output layout, so that move=X,Y lands on
// layout pixel (X, Y). Steps: move=X,Y  click=B  press=B  release=B  (B is
// left, middle or right)  wheel=N  wait=MS.
#include <time.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "wlr-virtual-pointer-client.h"

namespace {

wl_seat* g_seat = nullptr;
zwlr_virtual_pointer_manager_v1* g_manager = nullptr;

void Global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  const std::string_view what(interface);
  if (what == wl_seat_interface.name && g_seat == nullptr)
    g_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  else if (what == zwlr_virtual_pointer_manager_v1_interface.name && g_manager == nullptr)
    g_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {Global, GlobalRemove};

uint32_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// linux/input-event-codes.h
bool ButtonCode(std::string_view name, uint32_t& code) {
  if (name == "left") code = 0x110;
  else if (name == "right") code = 0x111;
  else if (name == "middle") code = 0x112;
  else return false;
  return true;
}

bool ParsePair(const char* text, char separator, long& a, long& b) {
  char* end = nullptr;
  a = std::strtol(text, &end, 10);
  if (end == text || *end != separator) return false;
  const char* second = end + 1;
  b = std::strtol(second, &end, 10);
  return end != second && *end == '\0' && a >= 0 && b >= 0;
}

int Usage() {
  std::fputs("usage: wayland_helper pointer WxH STEP...\n", stderr);
  return 2;
}

int Pointer(int argc, char** argv) {
  long width = 0, height = 0;
  if (argc < 1 || !ParsePair(argv[0], 'x', width, height) || width <= 0 || height <= 0)
    return Usage();
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fputs("wayland_helper: no Wayland display\n", stderr);
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, nullptr);
  wl_display_roundtrip(display);
  if (g_manager == nullptr) {
    std::fputs("wayland_helper: the compositor has no virtual pointers\n", stderr);
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_manager, g_seat);
  if (wl_display_roundtrip(display) < 0) return 1;

  for (int i = 1; i < argc; ++i) {
    const std::string step(argv[i]);
    const size_t eq = step.find('=');
    if (eq == std::string::npos) return Usage();
    const std::string name = step.substr(0, eq);
    const char* value = argv[i] + eq + 1;
    uint32_t code = 0;
    long x = 0, y = 0;
    if (name == "move" && ParsePair(value, ',', x, y)) {
      zwlr_virtual_pointer_v1_motion_absolute(pointer, NowMs(), static_cast<uint32_t>(x),
                                              static_cast<uint32_t>(y),
                                              static_cast<uint32_t>(width),
                                              static_cast<uint32_t>(height));
    } else if ((name == "click" || name == "press" || name == "release") &&
               ButtonCode(value, code)) {
      if (name != "release") {
        zwlr_virtual_pointer_v1_button(pointer, NowMs(), code, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
      }
      if (name != "press")
        zwlr_virtual_pointer_v1_button(pointer, NowMs(), code, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (name == "wheel") {
      const int steps = std::atoi(value);
      zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
      zwlr_virtual_pointer_v1_axis_discrete(pointer, NowMs(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                            wl_fixed_from_int(15 * steps), steps);
    } else if (name == "wait") {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(value)));
      continue;
    } else {
      std::fprintf(stderr, "wayland_helper: unknown step '%s'\n", argv[i]);
      return 2;
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    if (wl_display_roundtrip(display) < 0) {
      std::fputs("wayland_helper: the compositor refused a step\n", stderr);
      return 1;
    }
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "pointer") == 0) return Pointer(argc - 2, argv + 2);
  return Usage();
}
