#include "support/gnome_session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "support/child_process.h"

namespace quorvel {
namespace testing {
namespace {

// Guards against a bus that never comes up, not a performance bound.
constexpr int kStartTimeoutMs = 30000;
constexpr int kPollIntervalMs = 20;
constexpr char kWaylandDisplay[] = "wayland-test";

constexpr char kSessionBusConfig[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=@PATH@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

std::string ReadLineFrom(int fd) {
  std::string line;
  for (int waited = 0; waited < kStartTimeoutMs;) {
    pollfd entry = {fd, POLLIN, 0};
    const int ready = poll(&entry, 1, kPollIntervalMs);
    if (ready == 0) {
      waited += kPollIntervalMs;
      continue;
    }
    char c;
    if (ready < 0 || read(fd, &c, 1) != 1) {
      break;
    }
    if (c == '\n') {
      return line;
    }
    line += c;
  }
  return {};
}

bool NameOwned(const std::string& address, const char* name) {
  g_autoptr(GDBusConnection) connection =
      g_dbus_connection_new_for_address_sync(
          address.c_str(),
          static_cast<GDBusConnectionFlags>(
              G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
          nullptr, nullptr, nullptr);
  if (!connection) {
    return false;
  }
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
      "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name),
      G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
  }
  g_dbus_connection_close_sync(connection, nullptr, nullptr);
  return owned;
}

}  // namespace

std::unique_ptr<GnomeSession> GnomeSession::Start(const Options& options,
                                                  std::string* error) {
  std::unique_ptr<GnomeSession> session(new GnomeSession());
  if (!session->Prepare(static_cast<uid_t>(-1), error)) {
    return nullptr;
  }
  session->system_bus_ = SystemBus::Start(error);
  if (!session->system_bus_ || !session->StartSessionBus(error)) {
    return nullptr;
  }
  session->env_.push_back("DBUS_SESSION_BUS_ADDRESS=" +
                          session->session_address_);
  session->env_.push_back("DBUS_SYSTEM_BUS_ADDRESS=" +
                          session->system_bus_address());
  session->env_.push_back("GSETTINGS_BACKEND=memory");

  const pid_t locale = session->Spawn(
      {QUORVEL_GNOME_FAKE_LOCALE1, options.layout, options.variant, ""},
      "locale1.log");
  if (!WaitUntil(locale, [&] {
        return session->system_bus_->NameHasOwner("org.freedesktop.locale1");
      })) {
    *error = "the fake locale1 did not start: " +
             ReadFile(session->runtime_dir_.File("locale1.log"));
    return nullptr;
  }
  if (options.pipewire) {
    const pid_t pipewire = session->Spawn({"pipewire"}, "pipewire.log");
    const std::string socket = session->runtime_dir_.File("pipewire-0");
    if (!WaitUntil(pipewire,
                   [&] { return access(socket.c_str(), F_OK) == 0; })) {
      *error = "pipewire did not start: " +
               ReadFile(session->runtime_dir_.File("pipewire.log"));
      return nullptr;
    }
  }
  if (!options.mutter) {
    return session;
  }
  const pid_t mutter = session->Spawn(
      {"mutter", "--headless", "--wayland", "--no-x11",
       std::string("--wayland-display=") + kWaylandDisplay, "--virtual-monitor",
       "1280x1024", "--virtual-monitor", "1024x768"},
      "mutter.log");
  const std::string wayland_socket =
      session->runtime_dir_.File(kWaylandDisplay);
  if (!WaitUntil(mutter, [&] {
        return access(wayland_socket.c_str(), F_OK) == 0 &&
               NameOwned(session->session_address_,
                         "org.gnome.Mutter.RemoteDesktop") &&
               NameOwned(session->session_address_,
                         "org.gnome.Mutter.DisplayConfig");
      })) {
    *error = "mutter did not start: " +
             ReadFile(session->runtime_dir_.File("mutter.log"));
    return nullptr;
  }
  if (!options.window) {
    return session;
  }
  if (!session->StartWindow(kWaylandDisplay, 2, error)) {
    return nullptr;
  }
  return session;
}

// The children go before the system bus they talk to.
GnomeSession::~GnomeSession() {
  StopChildren();
}

bool GnomeSession::StartSessionBus(std::string* error) {
  std::string config = kSessionBusConfig;
  config.replace(config.find("@PATH@"), 6, runtime_dir_.File("bus"));
  const std::string config_path = runtime_dir_.File("session-bus.conf");
  if (!WriteFile(config_path, config)) {
    *error = "cannot write " + config_path;
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = "pipe failed";
    return false;
  }
  ChildOptions child;
  child.log_path = runtime_dir_.File("session-bus.log");
  child.stdout_fd = fds[1];
  const pid_t pid = SpawnChild({"dbus-daemon", "--config-file=" + config_path,
                                "--nofork", "--nopidfile", "--print-address=1"},
                               child);
  close(fds[1]);
  if (pid > 0) {
    pids_.push_back(pid);
  }
  session_address_ = pid > 0 ? ReadLineFrom(fds[0]) : "";
  close(fds[0]);
  if (session_address_.empty()) {
    *error = "the session bus did not start: " +
             ReadFile(runtime_dir_.File("session-bus.log"));
    return false;
  }
  return true;
}

}  // namespace testing
}  // namespace quorvel
