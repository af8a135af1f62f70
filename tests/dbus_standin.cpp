// Stand-ins for the desktop services a test session lacks, on the bus the
// test names: "session" owns org.gnome.SessionManager (IsInhibited, and its
// inhibitor signals), org.gnome.ScreenSaver (ActiveChanged) and Plasma's
// org.kde.Solid.PowerManagement.PolicyAgent (HasInhibition,
// InhibitionsChanged); "system"
// owns org.freedesktop.login1 (one session whose Lock asks are printed, its
// Lock / Unlock signals, PrepareForSleep). Commands, one a line on stdin:
// inhibit, uninhibit, kde-inhibit, kde-uninhibit, shield 1, shield 0, lock,
// unlock, sleep, wake.
// Prints "ready" once its names are owned, "lock-asked" on each Lock call
// (answered after STANDIN_LOCK_DELAY_MS when that is set).
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/test";
bool g_inhibited = false;
bool g_kdeInhibited = false;
sd_bus* g_bus = nullptr;

int IsInhibited(sd_bus_message* call, void*, sd_bus_error*) {
  uint32_t flags = 0;
  sd_bus_message_read(call, "u", &flags);
  return sd_bus_reply_method_return(call, "b", g_inhibited && (flags & 8u) != 0);
}

int HasInhibition(sd_bus_message* call, void*, sd_bus_error*) {
  uint32_t types = 0;
  sd_bus_message_read(call, "u", &types);
  return sd_bus_reply_method_return(call, "b", g_kdeInhibited && (types & 4u) != 0);
}

int GetSession(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "o", kSessionPath);
}

int Lock(sd_bus_message* call, void*, sd_bus_error*) {
  std::printf("lock-asked\n");
  std::fflush(stdout);
  // A locker that takes its time: the caller waits for the answer.
  if (const char* delay = std::getenv("STANDIN_LOCK_DELAY_MS")) usleep(1000u * std::atoi(delay));
  // As logind does: the ask becomes the session's Lock signal.
  sd_bus_emit_signal(g_bus, kSessionPath, "org.freedesktop.login1.Session", "Lock", "");
  return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kSessionManager[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("IsInhibited", "u", "b", IsInhibited, 0),
    SD_BUS_SIGNAL("InhibitorAdded", "o", 0), SD_BUS_SIGNAL("InhibitorRemoved", "o", 0),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kPolicyAgent[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("HasInhibition", "u", "b", HasInhibition, 0),
    SD_BUS_SIGNAL("InhibitionsChanged", "a(ss)as", 0), SD_BUS_VTABLE_END};
const sd_bus_vtable kScreenSaver[] = {SD_BUS_VTABLE_START(0),
                                      SD_BUS_SIGNAL("ActiveChanged", "b", 0), SD_BUS_VTABLE_END};
const sd_bus_vtable kManager[] = {SD_BUS_VTABLE_START(0),
                                  SD_BUS_METHOD("GetSession", "s", "o", GetSession, 0),
                                  SD_BUS_SIGNAL("PrepareForSleep", "b", 0), SD_BUS_VTABLE_END};
const sd_bus_vtable kSession[] = {SD_BUS_VTABLE_START(0), SD_BUS_METHOD("Lock", "", "", Lock, 0),
                                  SD_BUS_SIGNAL("Lock", "", 0), SD_BUS_SIGNAL("Unlock", "", 0),
                                  SD_BUS_VTABLE_END};

void Command(const std::string& line) {
  const char* inhibitor = "/org/gnome/SessionManager/Inhibitor1";
  if (line == "inhibit" || line == "uninhibit") {
    g_inhibited = line == "inhibit";
    sd_bus_emit_signal(g_bus, "/org/gnome/SessionManager", "org.gnome.SessionManager",
                       g_inhibited ? "InhibitorAdded" : "InhibitorRemoved", "o", inhibitor);
  } else if (line == "kde-inhibit" || line == "kde-uninhibit") {
    g_kdeInhibited = line == "kde-inhibit";
    // Added: one (application, reason); removed: one application.
    const char* path = "/org/kde/Solid/PowerManagement/PolicyAgent";
    const char* interface = "org.kde.Solid.PowerManagement.PolicyAgent";
    if (g_kdeInhibited)
      sd_bus_emit_signal(g_bus, path, interface, "InhibitionsChanged", "a(ss)as", 1, "video",
                         "playing", 0);
    else
      sd_bus_emit_signal(g_bus, path, interface, "InhibitionsChanged", "a(ss)as", 0, 1, "video");
  } else if (line == "shield 1" || line == "shield 0") {
    sd_bus_emit_signal(g_bus, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged",
                       "b", line == "shield 1");
  } else if (line == "lock" || line == "unlock") {
    sd_bus_emit_signal(g_bus, kSessionPath, "org.freedesktop.login1.Session",
                       line == "lock" ? "Lock" : "Unlock", "");
  } else if (line == "sleep" || line == "wake") {
    sd_bus_emit_signal(g_bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                       "PrepareForSleep", "b", line == "sleep");
  } else {
    std::fprintf(stderr, "dbus_standin: unknown command '%s'\n", line.c_str());
  }
  sd_bus_flush(g_bus);
}

}  // namespace

int main(int argc, char** argv) {
  const bool system = argc == 2 && std::strcmp(argv[1], "system") == 0;
  if (argc != 2 || (!system && std::strcmp(argv[1], "session") != 0)) {
    std::fprintf(stderr, "usage: dbus_standin session|system  (commands on stdin)\n");
    return 2;
  }
  if ((system ? sd_bus_open_system(&g_bus) : sd_bus_open_user(&g_bus)) < 0) return 1;
  int r = 0;
  if (system) {
    r |= sd_bus_add_object_vtable(g_bus, nullptr, "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", kManager, nullptr);
    r |= sd_bus_add_object_vtable(g_bus, nullptr, kSessionPath, "org.freedesktop.login1.Session",
                                  kSession, nullptr);
    r |= sd_bus_request_name(g_bus, "org.freedesktop.login1", 0);
  } else {
    r |= sd_bus_add_object_vtable(g_bus, nullptr, "/org/gnome/SessionManager",
                                  "org.gnome.SessionManager", kSessionManager, nullptr);
    r |= sd_bus_add_object_vtable(g_bus, nullptr, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver",
                                  kScreenSaver, nullptr);
    r |= sd_bus_request_name(g_bus, "org.gnome.SessionManager", 0);
    r |= sd_bus_add_object_vtable(g_bus, nullptr, "/org/kde/Solid/PowerManagement/PolicyAgent",
                                  "org.kde.Solid.PowerManagement.PolicyAgent", kPolicyAgent,
                                  nullptr);
    r |= sd_bus_request_name(g_bus, "org.gnome.ScreenSaver", 0);
    r |= sd_bus_request_name(g_bus, "org.kde.Solid.PowerManagement.PolicyAgent", 0);
  }
  if (r < 0) {
    std::fprintf(stderr, "dbus_standin: cannot offer the services\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  std::string pending;
  for (;;) {
    while (sd_bus_process(g_bus, nullptr) > 0) {
    }
    pollfd fds[2] = {{sd_bus_get_fd(g_bus), static_cast<short>(sd_bus_get_events(g_bus)), 0},
                     {STDIN_FILENO, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) return 1;
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) return 1;
    if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
      char bytes[256];
      const ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
      if (n <= 0) return 0;  // the test closed its end
      pending.append(bytes, static_cast<size_t>(n));
      size_t end;
      while ((end = pending.find('\n')) != std::string::npos) {
        Command(pending.substr(0, end));
        pending.erase(0, end + 1);
      }
    }
  }
}
