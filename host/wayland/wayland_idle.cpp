#include "host/wayland/wayland_idle.h"

#include <poll.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ext-idle-notify-client.h"
#include "host/linux/desktop_delay.h"
#include "kde-idle-client.h"

namespace glimmerkin {
namespace {

class WaylandIdle final : public IdleSource {
 public:
  explicit WaylandIdle(wl_display* display) : display_(display) {}
  ~WaylandIdle() override {
    if (extNotification_ != nullptr) ext_idle_notification_v1_destroy(extNotification_);
    if (kdeTimeout_ != nullptr) org_kde_kwin_idle_timeout_release(kdeTimeout_);
    if (extNotifier_ != nullptr) ext_idle_notifier_v1_destroy(extNotifier_);
    if (kdeIdle_ != nullptr) org_kde_kwin_idle_destroy(kdeIdle_);
    if (seat_ != nullptr) wl_seat_destroy(seat_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
  }

  // Binds what the compositor offers; false without a seat or either
  // idle protocol.
  bool Bind() {
    registry_ = wl_display_get_registry(display_);
    static const wl_registry_listener kListener = {&WaylandIdle::Global,
                                                   [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(registry_, &kListener, this);
    if (wl_display_roundtrip(display_) < 0) return false;
    return seat_ != nullptr && (extNotifier_ != nullptr || kdeIdle_ != nullptr);
  }

  std::string Name() const override {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return std::string(extNotifier_ != nullptr ? "ext-idle-notify-v1" : "org_kde_kwin_idle") +
           " on the Wayland display " + (name != nullptr ? name : "handed over");
  }

  std::optional<int32_t> DesktopDelaySeconds() override { return PlasmaLockDelaySeconds(); }

  bool Arm(int32_t delaySeconds) override {
    const uint32_t ms = static_cast<uint32_t>(delaySeconds) * 1000u;
    if (extNotifier_ != nullptr) {
      static const ext_idle_notification_v1_listener kExt = {
          [](void* self, ext_idle_notification_v1*) {
            static_cast<WaylandIdle*>(self)->Report(true);
          },
          [](void* self, ext_idle_notification_v1*) {
            static_cast<WaylandIdle*>(self)->Report(false);
          }};
      extNotification_ = ext_idle_notifier_v1_get_idle_notification(extNotifier_, ms, seat_);
      ext_idle_notification_v1_add_listener(extNotification_, &kExt, this);
    } else {
      static const org_kde_kwin_idle_timeout_listener kKde = {
          [](void* self, org_kde_kwin_idle_timeout*) {
            static_cast<WaylandIdle*>(self)->Report(true);
          },
          [](void* self, org_kde_kwin_idle_timeout*) {
            static_cast<WaylandIdle*>(self)->Report(false);
          }};
      kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, ms);
      org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &kKde, this);
    }
    return wl_display_flush(display_) >= 0 || errno == EAGAIN;
  }

  int Fd() const override { return wl_display_get_fd(display_); }

  bool Flush() override {
    if (prepared_) return true;
    if (wl_display_prepare_read(display_) != 0) return false;
    prepared_ = true;
    wl_display_flush(display_);
    return true;
  }

  bool Dispatch(std::vector<WatchEvent>& events) override {
    if (prepared_) {
      prepared_ = false;
      pollfd ready = {wl_display_get_fd(display_), POLLIN, 0};
      if (poll(&ready, 1, 0) > 0) {
        if (wl_display_read_events(display_) < 0) return false;
      } else {
        wl_display_cancel_read(display_);
      }
    }
    out_ = &events;
    const int dispatched = wl_display_dispatch_pending(display_);
    out_ = nullptr;
    return dispatched >= 0;
  }

 private:
  static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t) {
    auto* self = static_cast<WaylandIdle*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr)
      self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
      self->extNotifier_ = static_cast<ext_idle_notifier_v1*>(
          wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
      self->kdeIdle_ = static_cast<org_kde_kwin_idle*>(
          wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
  }

  void Report(bool idle) {
    if (out_ != nullptr) out_->push_back(idle ? WatchEvent::Idle : WatchEvent::Active);
  }

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  ext_idle_notifier_v1* extNotifier_ = nullptr;
  org_kde_kwin_idle* kdeIdle_ = nullptr;
  ext_idle_notification_v1* extNotification_ = nullptr;
  org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
  std::vector<WatchEvent>* out_ = nullptr;
  bool prepared_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> OpenWaylandIdleSource() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  auto source = std::make_unique<WaylandIdle>(display);
  if (!source->Bind()) return nullptr;
  return source;
}

}  // namespace glimmerkin
