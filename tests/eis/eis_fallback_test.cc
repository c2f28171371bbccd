// The plugin where KWin's EIS endpoint is on the session bus but cannot be
// used: libei is not installed (Debian 12 has no libei, so on this host the
// plugin, built without libei's headers, cannot load libei.so.1), or, where
// it is, KWin refuses the connection. Either way the plugin library loads,
// says so in one line and sends input through X11.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/environment.h"
#include "support/scratch_dir.h"
#include "support/wayland_session.h"
#include "support/x_server.h"
#include "tools/driver_run.h"

namespace quorvel {
namespace {

using testing::Compositor;
using testing::DriverRun;
using testing::ScratchDir;
using testing::WaylandSession;
using testing::XServer;

size_t Occurrences(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    count++;
  }
  return count;
}

// Whether this process could load libei, as the plugin would.
bool LibeiLoads() {
  void* library = dlopen("libei.so.1", RTLD_NOW | RTLD_LOCAL);
  if (library) {
    dlclose(library);
  }
  return library != nullptr;
}

TEST(EisFallbackTest, ThePluginLoadsSaysWhyAndUsesX11) {
  std::string error;
  WaylandSession::Options options;
  options.compositor = Compositor::kFakeKwin;
  options.window = false;
  std::unique_ptr<WaylandSession> session =
      WaylandSession::Start(options, &error);
  if (!session) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  std::unique_ptr<XServer> x = XServer::Start({}, &error);
  if (!x) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ScratchDir dir;
  ASSERT_TRUE(testing::WriteFile(dir.File("calls"),
                                 "moveMouse x=123 y=45\n"
                                 "keyboardClick key=0\n"
                                 "getMouseCoords\n"));

  // The built plugin library, as a Flutter app loads it.
  const DriverRun run = testing::RunDriverWithInput(
      {"--pause-ms", "300", "--script", "-"},
      {{"XDG_SESSION_TYPE", "wayland"},
       {"WAYLAND_DISPLAY", std::nullopt},
       {"DISPLAY", x->display_name()},
       {"DBUS_SESSION_BUS_ADDRESS", session->session_bus_address()}},
      dir.path(), dir.File("calls"));

  EXPECT_EQ(run.exit_status, 0) << run.err;
  const std::string why =
      LibeiLoads() ? "[EisBackend] KWin refused an EIS connection"
                   : "[Backend] X11 (XWayland): KWin offers EIS, but "
                     "libei.so.1 cannot be loaded";
  EXPECT_EQ(Occurrences(run.err, why), 1u) << run.err;
  EXPECT_EQ(Occurrences(run.err, "[Backend] "), 1u) << run.err;
  if (!LibeiLoads()) {
    // The line names the package an app's package should depend on.
    EXPECT_EQ(Occurrences(run.err,
                          "libei1 (Debian, Ubuntu) or libei "
                          "(Fedora, Arch)"),
              1u)
        << run.err;
  }
  ASSERT_EQ(run.lines.size(), 3u) << run.out;
  EXPECT_EQ(run.lines[2], "getMouseCoords -> success \"123:45\"");
}

}  // namespace
}  // namespace quorvel
