#include "host/linux/dbus_watch.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/linux/desktop_delay.h"

namespace glimmerkin {
namespace {

constexpr const char* kMutterName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMutterPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kSessionManagerName = "org.gnome.SessionManager";
constexpr const char* kSessionManagerPath = "/org/gnome/SessionManager";
constexpr uint32_t kInhibitIdle = 8;
constexpr const char* kLogindName = "org.freedesktop.login1";

bool HasOwner(sd_bus* bus, const char* name) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int has = 0;
  if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s", name) >= 0)
    sd_bus_message_read(reply, "b", &has);
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return has != 0;
}

// One bus connection: signals matched on it turn into watcher events.
class BusSource : public IdleSource {
 public:
  explicit BusSource(sd_bus* bus, std::string name) : bus_(bus), name_(std::move(name)) {}
  ~BusSource() override { sd_bus_flush_close_unref(bus_); }

  std::string Name() const override { return name_; }
  int Fd() const override { return sd_bus_get_fd(bus_); }
  bool Flush() override {
    sd_bus_flush(bus_);
    return true;
  }
  bool Dispatch(std::vector<WatchEvent>& events) override {
    out_ = &events;
    int processed = 0;
    while ((processed = sd_bus_process(bus_, nullptr)) > 0) {
    }
    out_ = nullptr;
    // Events reported outside a dispatch (at the start) come now.
    events.insert(events.end(), early_.begin(), early_.end());
    early_.clear();
    return processed >= 0;
  }

 protected:
  void Report(WatchEvent event) {
    if (out_ != nullptr)
      out_->push_back(event);
    else
      early_.push_back(event);
  }
  // Matching signals reach OnSignal with the tag given here.
  bool Match(int tag, const char* sender, const char* path, const char* interface,
             const char* member) {
    matches_.push_back(std::make_unique<Tagged>(Tagged{this, tag}));
    return sd_bus_match_signal(bus_, nullptr, sender, path, interface, member, &BusSource::Call,
                               matches_.back().get()) >= 0;
  }
  // The same for a match rule written out (to filter on arguments).
  bool MatchRule(int tag, const char* rule) {
    matches_.push_back(std::make_unique<Tagged>(Tagged{this, tag}));
    return sd_bus_add_match(bus_, nullptr, rule, &BusSource::Call, matches_.back().get()) >= 0;
  }
  virtual void OnSignal(int tag, sd_bus_message* message) = 0;

  sd_bus* bus_;

 private:
  struct Tagged {
    BusSource* self;
    int tag;
  };
  static int Call(sd_bus_message* message, void* data, sd_bus_error*) {
    const auto* tagged = static_cast<const Tagged*>(data);
    tagged->self->OnSignal(tagged->tag, message);
    return 0;
  }
  std::string name_;
  std::vector<std::unique_ptr<Tagged>> matches_;
  std::vector<WatchEvent>* out_ = nullptr;
  std::vector<WatchEvent> early_;
};

class MutterIdle final : public BusSource {
 public:
  explicit MutterIdle(sd_bus* bus)
      : BusSource(bus, "Mutter's idle monitor (org.gnome.Mutter.IdleMonitor) on the session bus") {}

  std::optional<int32_t> DesktopDelaySeconds() override { return GnomeIdleDelaySeconds(); }

  bool Arm(int32_t delaySeconds) override {
    delayMs_ = uint64_t(delaySeconds) * 1000;
    if (!Match(0, kMutterName, kMutterPath, kMutterName, "WatchFired")) return false;
    // A shell that restarts (GNOME on X11 does, in place) forgets its
    // watches: a new owner of the name gets them again.
    if (!MatchRule(1,
                   "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                   "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
                   "arg0='org.gnome.Mutter.IdleMonitor'"))
      return false;
    idleWatch_ = AddWatch("AddIdleWatch", delayMs_);
    return idleWatch_ != 0;
  }

 private:
  uint32_t AddWatch(const char* method, uint64_t intervalMs) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    uint32_t id = 0;
    const int r = intervalMs != 0 ? sd_bus_call_method(bus_, kMutterName, kMutterPath, kMutterName,
                                                       method, &error, &reply, "t", intervalMs)
                                  : sd_bus_call_method(bus_, kMutterName, kMutterPath, kMutterName,
                                                       method, &error, &reply, "");
    if (r >= 0) sd_bus_message_read(reply, "u", &id);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return id;
  }

  void OnSignal(int tag, sd_bus_message* message) override {
    if (tag == 1) {
      const char* name = nullptr;
      const char* before = nullptr;
      const char* after = nullptr;
      if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0 || after == nullptr ||
          after[0] == '\0')
        return;
      // The old shell's state is gone with it: the user counts as active
      // and the whole delay starts again.
      activeWatch_ = 0;
      idleWatch_ = AddWatch("AddIdleWatch", delayMs_);
      Report(WatchEvent::Active);
      return;
    }
    uint32_t id = 0;
    if (sd_bus_message_read(message, "u", &id) < 0 || id == 0) return;
    if (id == idleWatch_) {
      Report(WatchEvent::Idle);
      // A user-active watch fires once, on the next input.
      activeWatch_ = AddWatch("AddUserActiveWatch", 0);
    } else if (id == activeWatch_) {
      activeWatch_ = 0;
      Report(WatchEvent::Active);
    }
  }

  uint64_t delayMs_ = 0;
  uint32_t idleWatch_ = 0;
  uint32_t activeWatch_ = 0;
};

// Where applications' idle inhibitors are gathered, whoever took them
// (org.freedesktop.ScreenSaver's Inhibit included, which GNOME's proxy
// hands to the session manager and Plasma's to its power management).
class SessionInhibitors final : public BusSource {
 public:
  explicit SessionInhibitors(sd_bus* bus)
      : BusSource(bus, "the session's inhibitors and shield on the session bus") {
    Match(0, nullptr, kSessionManagerPath, kSessionManagerName, "InhibitorAdded");
    Match(0, nullptr, kSessionManagerPath, kSessionManagerName, "InhibitorRemoved");
    Match(0, nullptr, kPolicyAgentPath, kPolicyAgentName, "InhibitionsChanged");
    Match(1, nullptr, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged");
    InhibitorsChanged();
  }

 private:
  static constexpr const char* kPolicyAgentName = "org.kde.Solid.PowerManagement.PolicyAgent";
  static constexpr const char* kPolicyAgentPath = "/org/kde/Solid/PowerManagement/PolicyAgent";
  // PolicyAgent's "ChangeScreenSettings": what a screen saver inhibitor asks.
  static constexpr uint32_t kInhibitScreen = 4;

  void OnSignal(int tag, sd_bus_message* message) override {
    if (tag == 0) {
      InhibitorsChanged();
      return;
    }
    int active = 0;
    if (sd_bus_message_read(message, "b", &active) < 0) return;
    Report(active != 0 ? WatchEvent::DesktopSaverOn : WatchEvent::DesktopSaverOff);
  }

  // name's method, asked with one flag word, says yes.
  bool Asks(const char* name, const char* path, const char* method, uint32_t flags) {
    if (!HasOwner(bus_, name)) return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int yes = 0;
    if (sd_bus_call_method(bus_, name, path, name, method, &error, &reply, "u", flags) >= 0)
      sd_bus_message_read(reply, "b", &yes);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return yes != 0;
  }

  void InhibitorsChanged() {
    const bool inhibited =
        Asks(kSessionManagerName, kSessionManagerPath, "IsInhibited", kInhibitIdle) ||
        Asks(kPolicyAgentName, kPolicyAgentPath, "HasInhibition", kInhibitScreen);
    if (inhibited != inhibited_) {
      inhibited_ = inhibited;
      Report(inhibited_ ? WatchEvent::InhibitOn : WatchEvent::InhibitOff);
    }
  }

  bool inhibited_ = false;
};

class Logind final : public BusSource {
 public:
  Logind(sd_bus* bus, std::string sessionPath)
      : BusSource(bus, "logind on the system bus"), session_(std::move(sessionPath)) {
    Match(0, kLogindName, session_.c_str(), "org.freedesktop.login1.Session", "Lock");
    Match(1, kLogindName, session_.c_str(), "org.freedesktop.login1.Session", "Unlock");
    Match(2, kLogindName, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
          "PrepareForSleep");
  }

  bool Lock() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    const int r = sd_bus_call_method(bus_, kLogindName, session_.c_str(),
                                     "org.freedesktop.login1.Session", "Lock", &error, nullptr, "");
    sd_bus_error_free(&error);
    return r >= 0;
  }

 private:
  void OnSignal(int tag, sd_bus_message* message) override {
    if (tag == 0) return Report(WatchEvent::LockOn);
    if (tag == 1) return Report(WatchEvent::LockOff);
    int starting = 0;
    if (sd_bus_message_read(message, "b", &starting) < 0) return;
    Report(starting != 0 ? WatchEvent::SleepOn : WatchEvent::SleepOff);
  }

  std::string session_;
};

// This session's object: XDG_SESSION_ID's, else the caller's own ("auto").
std::string SessionPath(sd_bus* bus) {
  const char* id = std::getenv("XDG_SESSION_ID");
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  std::string path;
  const char* text = nullptr;
  if (sd_bus_call_method(bus, kLogindName, "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "GetSession", &error, &reply, "s",
                         id != nullptr && id[0] != '\0' ? id : "auto") >= 0 &&
      sd_bus_message_read(reply, "o", &text) >= 0)
    path = text;
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return path;
}

}  // namespace

std::unique_ptr<IdleSource> OpenMutterIdleSource() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  if (!HasOwner(bus, kMutterName)) {
    sd_bus_flush_close_unref(bus);
    return nullptr;
  }
  return std::make_unique<MutterIdle>(bus);
}

std::unique_ptr<IdleSource> OpenSessionInhibitorSource() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  // The bus itself always owns its name: a connection that cannot say so
  // is no session bus.
  if (!HasOwner(bus, "org.freedesktop.DBus")) {
    sd_bus_flush_close_unref(bus);
    return nullptr;
  }
  return std::make_unique<SessionInhibitors>(bus);
}

std::unique_ptr<IdleSource> OpenLogindSource(std::function<bool()>& lock) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return nullptr;
  const std::string path = SessionPath(bus);
  if (path.empty()) {
    sd_bus_flush_close_unref(bus);
    return nullptr;
  }
  auto source = std::make_unique<Logind>(bus, path);
  Logind* logind = source.get();
  lock = [logind] { return logind->Lock(); };
  return source;
}

bool LockSessionNow() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return false;
  const std::string path = SessionPath(bus);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  const bool locked = !path.empty() && sd_bus_call_method(bus, kLogindName, path.c_str(),
                                                          "org.freedesktop.login1.Session", "Lock",
                                                          &error, nullptr, "") >= 0;
  sd_bus_error_free(&error);
  sd_bus_flush_close_unref(bus);
  return locked;
}

OtherSaver DBusOtherSaver() {
  struct Known {
    const char* busName;
    const char* name;
    const char* how;
  };
  static const Known kKnown[] = {
      {"org.mate.ScreenSaver", "mate-screensaver",
       "choose Glimmerkin under Screensaver in MATE's Control Center"},
      {"org.xfce.ScreenSaver", "xfce4-screensaver",
       "choose Glimmerkin in xfce4-screensaver-preferences"},
      {"org.cinnamon.ScreenSaver", "cinnamon-screensaver",
       "set org.cinnamon.desktop.screensaver custom-screensaver-command to run it under "
       "xsecurelock (see the Cinnamon part of the Linux guide)"},
  };
  OtherSaver other;
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return other;
  for (const Known& known : kKnown)
    if (HasOwner(bus, known.busName)) {
      other.name = known.name;
      other.howToChoose = known.how;
      break;
    }
  sd_bus_flush_close_unref(bus);
  return other;
}

}  // namespace glimmerkin
