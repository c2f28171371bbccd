#include "support/wayland_session.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "support/child_process.h"

namespace quorvel {
namespace testing {
namespace {

// Guards against a bus that never comes up, not a performance bound.
constexpr int kStartTimeoutMs = 30000;
constexpr int kPollIntervalMs = 20;
constexpr char kWaylandDisplay[] = "wayland-test";
// KWin's virtual outputs, side by side.
constexpr int kKwinOutputWidth = 1280;
constexpr int kKwinOutputHeight = 1024;

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

std::unique_ptr<WaylandSession> WaylandSession::Start(const Options& options,
                                                      std::string* error) {
  std::unique_ptr<WaylandSession> session(new WaylandSession());
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

  bool started = true;
  switch (options.compositor) {
    case Compositor::kNone:
      break;
    case Compositor::kMutter:
      started = session->StartMutter(options, error);
      break;
    case Compositor::kKwin:
      started = session->StartKwin(options, error);
      break;
    case Compositor::kFakeKwin:
      started = session->StartFakeKwin(error);
      break;
  }
  if (!started) {
    return nullptr;
  }
  const bool real = options.compositor == Compositor::kMutter ||
                    options.compositor == Compositor::kKwin;
  if (real && options.window &&
      !session->StartWindow(kWaylandDisplay, 2, error)) {
    return nullptr;
  }
  return session;
}

bool WaylandSession::StartMutter(const Options& options, std::string* error) {
  const pid_t locale =
      Spawn({QUORVEL_FAKE_LOCALE1, options.layout, options.variant, ""},
            "locale1.log");
  if (!WaitUntil(locale, [&] {
        return system_bus_->NameHasOwner("org.freedesktop.locale1");
      })) {
    *error = "the fake locale1 did not start: " +
             ReadFile(runtime_dir_.File("locale1.log"));
    return false;
  }
  if (options.pipewire) {
    const pid_t pipewire = Spawn({"pipewire"}, "pipewire.log");
    const std::string socket = runtime_dir_.File("pipewire-0");
    if (!WaitUntil(pipewire,
                   [&] { return access(socket.c_str(), F_OK) == 0; })) {
      *error = "pipewire did not start: " +
               ReadFile(runtime_dir_.File("pipewire.log"));
      return false;
    }
  }
  const pid_t mutter = compositor_ =
      Spawn({"mutter", "--headless", "--wayland", "--no-x11",
             std::string("--wayland-display=") + kWaylandDisplay,
             "--virtual-monitor", "1280x1024", "--virtual-monitor", "1024x768"},
            "mutter.log");
  const std::string wayland_socket = runtime_dir_.File(kWaylandDisplay);
  if (!WaitUntil(mutter, [&] {
        return access(wayland_socket.c_str(), F_OK) == 0 &&
               NameOwned(session_address_, "org.gnome.Mutter.RemoteDesktop") &&
               NameOwned(session_address_, "org.gnome.Mutter.DisplayConfig");
      })) {
    *error =
        "mutter did not start: " + ReadFile(runtime_dir_.File("mutter.log"));
    return false;
  }
  return true;
}

bool WaylandSession::StartKwin(const Options& options, std::string* error) {
  // KWin reads its keyboard layouts from kxkbrc in a configuration folder
  // of the session's own.
  const std::string home = runtime_dir_.File("home");
  const std::string config = home + "/.config";
  if (g_mkdir_with_parents(config.c_str(), 0700) != 0 ||
      !WriteFile(config + "/kxkbrc",
                 "[Layout]\nLayoutList=" + options.layout + "\nVariantList=" +
                     options.variant + "\nResetOldOptions=true\nUse=true\n")) {
    *error = "cannot write KWin's configuration";
    return false;
  }
  env_.erase(std::remove_if(env_.begin(), env_.end(),
                            [](const std::string& entry) {
                              return entry.rfind("HOME=", 0) == 0 ||
                                     entry.rfind("XDG_CONFIG_HOME=", 0) == 0 ||
                                     entry.rfind("XDG_DATA_HOME=", 0) == 0;
                            }),
             env_.end());
  env_.push_back("HOME=" + home);
  env_.push_back("XDG_CONFIG_HOME=" + config);
  env_.push_back("XDG_DATA_HOME=" + home + "/.local/share");
  // KWin starts this once Xwayland is up, with Xwayland's DISPLAY and
  // XAUTHORITY.
  const std::string display_file = runtime_dir_.File("x-display");
  const std::string reporter = runtime_dir_.File("report-display");
  if (!WriteFile(reporter,
                 "#!/bin/sh\nprintf '%s\\n%s\\n' \"$DISPLAY\" "
                 "\"$XAUTHORITY\" > " +
                     display_file + ".part && mv " + display_file + ".part " +
                     display_file + "\n") ||
      chmod(reporter.c_str(), 0700) != 0) {
    *error = "cannot write " + reporter;
    return false;
  }
  const pid_t kwin = compositor_ =
      Spawn({"kwin_wayland", "--virtual", "--xwayland", "--socket",
             kWaylandDisplay, "--width", std::to_string(kKwinOutputWidth),
             "--height", std::to_string(kKwinOutputHeight), "--output-count",
             "2", "--no-lockscreen", "--no-global-shortcuts",
             "--no-kactivities", reporter},
            "kwin.log");
  const std::string wayland_socket = runtime_dir_.File(kWaylandDisplay);
  if (!WaitUntil(kwin, [&] {
        return access(wayland_socket.c_str(), F_OK) == 0 &&
               access(display_file.c_str(), F_OK) == 0 &&
               NameOwned(session_address_, "org.kde.KWin");
      })) {
    *error = "kwin_wayland did not start: " +
             ReadFile(runtime_dir_.File("kwin.log"));
    return false;
  }
  const std::vector<std::string> x = SplitLines(ReadFile(display_file));
  x_display_ = x.size() > 0 ? x[0] : "";
  x_authority_ = x.size() > 1 ? x[1] : "";
  return true;
}

bool WaylandSession::StartFakeKwin(std::string* error) {
  const pid_t fake = Spawn({QUORVEL_FAKE_KWIN}, "fake-kwin.log");
  if (!WaitUntil(fake,
                 [&] { return NameOwned(session_address_, "org.kde.KWin"); })) {
    *error = "the fake KWin did not start: " +
             ReadFile(runtime_dir_.File("fake-kwin.log"));
    return false;
  }
  return true;
}

// The children go before the system bus they talk to.
WaylandSession::~WaylandSession() {
  StopChildren();
}

bool WaylandSession::StartSessionBus(std::string* error) {
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

void WaylandSession::KillCompositor() {
  KillChild(compositor_);
  compositor_ = -1;
}

std::string WaylandSession::Log(const std::string& name) const {
  return ReadFile(runtime_dir_.File(name));
}

}  // namespace testing
}  // namespace quorvel
