#ifndef QUORVEL_TESTS_SUPPORT_WAYLAND_BACKEND_TEST_H_
#define QUORVEL_TESTS_SUPPORT_WAYLAND_BACKEND_TEST_H_

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/channel_methods.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/probe_window_lines.h"
#include "support/wayland_session.h"

namespace quorvel {
namespace testing {

// A backend test on a headless Wayland session of its own: the plugin,
// reached through its channel, runs on the session's buses as on that
// desktop, and the probe window tells what arrived.
class WaylandBackendTest : public ::testing::Test {
 protected:
  // Starts the session and points the plugin at it: a Wayland session whose
  // buses are the private ones, with the session's Xwayland, if any, as the
  // X display.
  bool Start(const WaylandSession::Options& options) {
    std::string error;
    session_ = WaylandSession::Start(options, &error);
    if (!session_) {
      error_ = error;
      return false;
    }
    const std::string& x_display = session_->x_display();
    env_.push_back(std::make_unique<ScopedEnv>("XDG_SESSION_TYPE",
                                               std::string("wayland")));
    env_.push_back(std::make_unique<ScopedEnv>(
        "DBUS_SESSION_BUS_ADDRESS", session_->session_bus_address()));
    env_.push_back(std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS",
                                               session_->system_bus_address()));
    env_.push_back(std::make_unique<ScopedEnv>(
        "DISPLAY", x_display.empty() ? std::nullopt
                                     : std::optional<std::string>(x_display)));
    const std::string& x_authority = session_->x_authority();
    env_.push_back(std::make_unique<ScopedEnv>(
        "XAUTHORITY", x_authority.empty()
                          ? std::nullopt
                          : std::optional<std::string>(x_authority)));
    env_.push_back(
        std::make_unique<ScopedEnv>("WAYLAND_DISPLAY", std::nullopt));
    // The GNOME backend reads the shell's input sources; dconf would hold
    // the session bus that each test stops, and end the process when it
    // goes.
    env_.push_back(std::make_unique<ScopedEnv>("GSETTINGS_BACKEND",
                                               std::string("memory")));
    return true;
  }

  // Stops the session of an earlier case of the same test.
  void Stop() {
    session_.reset();
    env_.clear();
  }

  bool WaitFor(const std::function<bool(const Lines&)>& done) {
    return session_->WaitForWindow(done);
  }

  void Move(PluginChannel& channel, int x, int y) {
    channel.Invoke(method::kMoveMouse, Args({{"x", Int(x)}, {"y", Int(y)}}));
  }
  void Click(PluginChannel& channel,
             int x,
             int y,
             const char* type,
             const char* button) {
    channel.Invoke(method::kMoveMouseAndClick, Args({{"x", Int(x)},
                                                     {"y", Int(y)},
                                                     {"type", Str(type)},
                                                     {"button", Str(button)}}));
  }

  std::unique_ptr<WaylandSession> session_;
  std::string error_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
};

}  // namespace testing
}  // namespace quorvel

// Starts the session, or skips the test (fails it under CI) saying why.
#define START_OR_SKIP(options)      \
  do {                              \
    if (!Start(options)) {          \
      QUORVEL_SKIP_OR_FAIL(error_); \
    }                               \
  } while (0)

#endif  // QUORVEL_TESTS_SUPPORT_WAYLAND_BACKEND_TEST_H_
