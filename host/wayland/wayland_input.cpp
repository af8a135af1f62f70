// Keyboard and pointer: what each brings is fed to the closing rules.
#include <unistd.h>

#include <cstring>
#include <string>

#include "host/wayland/wayland_saver_class.h"

namespace glimmerkin::wayland {
namespace {

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


}  // namespace

const wl_seat_listener kSeatListener = {
    [](void* data, wl_seat*, uint32_t caps) { Of(data).Capabilities(caps); },
    [](void*, wl_seat*, const char*) {},
};

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

}  // namespace glimmerkin::wayland
