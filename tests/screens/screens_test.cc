// gtest before any X header: X.h defines None as a macro.
#include <gtest/gtest.h>

#include "backend/x11/xlib.h"

#include <X11/extensions/Xrandr.h>

#include <string>
#include <vector>

#include "backend/backend.h"
#include "backend/x11/connection.h"
#include "backend/x11/screens.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/stderr_capture.h"
#include "support/x_server.h"

namespace quorvel {
namespace {

using testing::ScopedEnv;
using testing::XServer;

std::string Describe(const ScreenInfo& s) {
  return std::to_string(s.width) + "x" + std::to_string(s.height) + "+" +
         std::to_string(s.x) + "+" + std::to_string(s.y) +
         " scale=" + std::to_string(s.scale);
}

// The monitors as this test's own connection reads them, with output names.
std::vector<std::string> MonitorsSeenBy(Display* display,
                                        std::vector<uint32_t>* ids) {
  std::vector<std::string> monitors;
  XRRScreenResources* resources =
      XRRGetScreenResources(display, DefaultRootWindow(display));
  for (int i = 0; resources && i < resources->noutput; ++i) {
    XRROutputInfo* output =
        XRRGetOutputInfo(display, resources, resources->outputs[i]);
    if (output && output->connection == RR_Connected && output->crtc) {
      XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc);
      ScreenInfo screen;
      screen.width = static_cast<int32_t>(crtc->width);
      screen.height = static_cast<int32_t>(crtc->height);
      screen.x = crtc->x;
      screen.y = crtc->y;
      monitors.push_back(std::string(output->name) + " " + Describe(screen));
      ids->push_back(static_cast<uint32_t>(resources->outputs[i]));
      XRRFreeCrtcInfo(crtc);
    }
    if (output) {
      XRRFreeOutputInfo(output);
    }
  }
  if (resources) {
    XRRFreeScreenResources(resources);
  }
  return monitors;
}

class ScreensTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    XServer::Options options;
    options.kind = XServer::Kind::kXorgDummy3;
    server_ = XServer::Start(options, &start_error_).release();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    if (!server_) {
      QUORVEL_SKIP_OR_FAIL("Xorg dummy: " + start_error_);
    }
    ScopedEnv display("DISPLAY", server_->display_name());
    backend_ = CreateBackend();
    test_display_ = server_->Connect();
    ASSERT_TRUE(test_display_);
  }

  void TearDown() override {
    if (server_) {
      // Back to the layout the server started with.
      server_->Run("xrandr --output DUMMY1 --mode 1280x1024 --pos 1920x0");
    }
  }

  // The backend's list with its ids replaced by the names this test's
  // connection gives to the same outputs.
  std::vector<std::string> BackendMonitors(
      const std::vector<uint32_t>& ids,
      const std::vector<std::string>& names) {
    std::vector<std::string> monitors;
    for (const ScreenInfo& screen : backend_->GetScreenList()) {
      std::string name = "?";
      for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == screen.id) {
          name = names[i].substr(0, names[i].find(' '));
        }
      }
      monitors.push_back(name + " " + Describe(screen));
    }
    return monitors;
  }

  static XServer* server_;
  static std::string start_error_;
  std::unique_ptr<Backend> backend_;
  testing::DisplayPtr test_display_;
};

int app_handler_calls = 0;
int CountingHandler(Display* /*display*/, XErrorEvent* /*event*/) {
  ++app_handler_calls;
  return 0;
}

XServer* ScreensTest::server_ = nullptr;
std::string ScreensTest::start_error_;

TEST_F(ScreensTest, ScreenSizeIsTheRootSize) {
  int32_t width = 0;
  int32_t height = 0;
  ASSERT_TRUE(backend_->GetScreenSize(&width, &height));
  Display* display = test_display_.get();
  EXPECT_EQ(width, DisplayWidth(display, DefaultScreen(display)));
  EXPECT_EQ(height, DisplayHeight(display, DefaultScreen(display)));
  EXPECT_EQ(width, 1920 + 1280 + 1024);
  EXPECT_EQ(height, 1080);
}

TEST_F(ScreensTest, ListMatchesRandrForThreeMonitorsSideBySide) {
  std::vector<uint32_t> ids;
  const std::vector<std::string> expected =
      MonitorsSeenBy(test_display_.get(), &ids);
  EXPECT_EQ(expected, (std::vector<std::string>{
                          "DUMMY0 1920x1080+0+0 scale=1.000000",
                          "DUMMY1 1280x1024+1920+0 scale=1.000000",
                          "DUMMY2 1024x768+3200+0 scale=1.000000"}));
  EXPECT_EQ(BackendMonitors(ids, expected), expected);
}

TEST_F(ScreensTest, SwitchedOffMonitorHasNoEntry) {
  ASSERT_EQ(server_->Run("xrandr --output DUMMY1 --off"), 0);
  std::vector<uint32_t> ids;
  const std::vector<std::string> expected =
      MonitorsSeenBy(test_display_.get(), &ids);
  EXPECT_EQ(expected, (std::vector<std::string>{
                          "DUMMY0 1920x1080+0+0 scale=1.000000",
                          "DUMMY2 1024x768+3200+0 scale=1.000000"}));
  EXPECT_EQ(BackendMonitors(ids, expected), expected);
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

TEST_F(ScreensTest, ChannelRepliesTheSizeAndListAsText) {
  std::vector<uint32_t> ids;
  ASSERT_EQ(MonitorsSeenBy(test_display_.get(), &ids).size(), 3u);
  ScopedEnv display("DISPLAY", server_->display_name());
  testing::PluginChannel channel;

  testing::Reply size = channel.Invoke("screenSize");
  ASSERT_EQ(size.kind, testing::Reply::kSuccess);
  EXPECT_STREQ(fl_value_get_string(size.result.get()), "4224:1080");

  testing::Reply list = channel.Invoke("screenList");
  ASSERT_EQ(list.kind, testing::Reply::kSuccess);
  std::vector<std::string> entries;
  for (size_t i = 0; i < fl_value_get_length(list.result.get()); ++i) {
    entries.push_back(
        fl_value_get_string(fl_value_get_list_value(list.result.get(), i)));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{
                         std::to_string(ids[0]) + "@1920:1080:0:0:1",
                         std::to_string(ids[1]) + "@1280:1024:1920:0:1",
                         std::to_string(ids[2]) + "@1024:768:3200:0:1"}));
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

// An output that went away between reading the resources and reading the
// output (a dock unplugged) fails with BadRROutput. The error stays on the
// plugin's connection: one line, the app's handler never called, and the
// outputs that can be read are still listed.
TEST_F(ScreensTest, AnOutputGoneMeanwhileIsSkipped) {
  ScopedEnv display("DISPLAY", server_->display_name());
  Display* connection = x11::OpenConnection();
  ASSERT_TRUE(connection);
  Window root = DefaultRootWindow(connection);
  XRRScreenResources* resources = XRRGetScreenResources(connection, root);
  ASSERT_TRUE(resources);
  std::vector<RROutput> outputs(resources->outputs,
                                resources->outputs + resources->noutput);
  constexpr RROutput kUnplugged = 0x1fffff;
  outputs.insert(outputs.begin() + 1, kUnplugged);
  int randr_opcode = 0;
  int randr_event = 0;
  int randr_error = 0;
  ASSERT_TRUE(XQueryExtension(connection, "RANDR", &randr_opcode, &randr_event,
                              &randr_error));

  app_handler_calls = 0;
  XErrorHandler before = XSetErrorHandler(CountingHandler);
  testing::StderrCapture capture;
  const std::vector<ScreenInfo> screens = x11::ScreensOfOutputs(
      connection, resources, outputs.data(), static_cast<int>(outputs.size()));
  const std::string printed = capture.Finish();
  XSetErrorHandler(before);
  XRRFreeScreenResources(resources);
  x11::CloseConnection(connection);

  EXPECT_EQ(screens.size(), 3u);
  EXPECT_EQ(app_handler_calls, 0);
  constexpr int kRRGetOutputInfo = 9;
  EXPECT_EQ(printed, "[X11Backend] Ignored X error: code=" +
                         std::to_string(randr_error + BadRROutput) +
                         " request=" + std::to_string(randr_opcode) +
                         " minor=" + std::to_string(kRRGetOutputInfo) + "\n");
}

}  // namespace
}  // namespace quorvel
