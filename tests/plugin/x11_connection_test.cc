#include <gtest/gtest.h>

#include "backend/x11/xlib.h"

#include <memory>
#include <regex>
#include <string>

#include <X11/extensions/Xfixes.h>

#include "backend/backend.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/stderr_capture.h"
#include "support/x_server.h"

namespace quorvel {
namespace testing {
namespace {

std::unique_ptr<Backend> CreateBackendCapturing(std::string* stderr_text) {
  StderrCapture capture;
  std::unique_ptr<Backend> backend = CreateBackend();
  *stderr_text = capture.Finish();
  return backend;
}

TEST(X11Connection, WithoutDisplayEveryXOperationIsSilentAndEmpty) {
  ScopedEnv display("DISPLAY", std::nullopt);
  ScopedEnv xauthority("XAUTHORITY", std::nullopt);

  std::string line;
  std::unique_ptr<Backend> backend = CreateBackendCapturing(&line);
  char expected[256];
  snprintf(expected, sizeof(expected),
           "[X11Backend] XOpenDisplay(NULL): display=%p, DISPLAY=(null), "
           "XAUTHORITY=(null)\n",
           static_cast<void*>(nullptr));
  EXPECT_EQ(line, expected);

  StderrCapture quiet;
  backend->MoveMouse(1, 2);
  backend->DragMouse(1, 2);
  backend->WheelMouse(1, 2, 3);
  backend->MouseClick(1, 2, "Down", "Right");
  backend->DoubleClick(1, 2);
  backend->KeyDown(0x24);
  backend->KeyUp(0x24);
  backend->HideCursor();
  backend->ShowCursor();
  int32_t x = 77, y = 78;
  EXPECT_FALSE(backend->GetMouseCoords(&x, &y));
  EXPECT_EQ(x, 77);
  EXPECT_EQ(y, 78);
  int32_t width = 5, height = 6;
  EXPECT_FALSE(backend->GetScreenSize(&width, &height));
  EXPECT_EQ(width, 5);
  EXPECT_EQ(height, 6);
  EXPECT_TRUE(backend->GetScreenList().empty());
  EXPECT_FALSE(backend->TypeText("a"));
  EXPECT_FALSE(backend->TypeText("è"));
  EXPECT_EQ(quiet.Finish(), "");
}

TEST(X11Connection, WithoutDisplayTheChannelGivesTheEmptyReplies) {
  ScopedEnv display("DISPLAY", std::nullopt);
  StderrCapture quiet;
  PluginChannel channel;

  Reply coords = channel.Invoke("getMouseCoords", nullptr);
  ASSERT_EQ(coords.kind, Reply::kSuccess);
  EXPECT_STREQ(fl_value_get_string(coords.result.get()), "0:0");

  Reply size = channel.Invoke("screenSize", nullptr);
  ASSERT_EQ(size.kind, Reply::kSuccess);
  EXPECT_STREQ(fl_value_get_string(size.result.get()), "0:0");

  Reply screens = channel.Invoke("screenList", nullptr);
  ASSERT_EQ(screens.kind, Reply::kSuccess);
  ASSERT_EQ(fl_value_get_type(screens.result.get()), FL_VALUE_TYPE_LIST);
  EXPECT_EQ(fl_value_get_length(screens.result.get()), 0u);

  // What does not need the display still answers.
  Reply version = channel.Invoke("getPlatformVersion", nullptr);
  ASSERT_EQ(version.kind, Reply::kSuccess);
  EXPECT_EQ(
      std::string(fl_value_get_string(version.result.get())).rfind("Linux", 0),
      0u);
}

class X11ConnectionWithServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    server_ = XServer::Start({}, &error).release();
    error_ = error;
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (!server_) {
      QUORVEL_SKIP_OR_FAIL("cannot start Xvfb: " + error_);
    }
  }

  static XServer* server_;
  static std::string error_;
};

XServer* X11ConnectionWithServer::server_ = nullptr;
std::string X11ConnectionWithServer::error_;

TEST_F(X11ConnectionWithServer, LineNamesTheDisplay) {
  ScopedEnv display("DISPLAY", server_->display_name());
  ScopedEnv xauthority("XAUTHORITY", std::nullopt);

  std::string line;
  std::unique_ptr<Backend> backend = CreateBackendCapturing(&line);

  std::regex expected(
      "\\[X11Backend\\] XOpenDisplay\\(NULL\\): display=0x[0-9a-f]+, "
      "DISPLAY=" +
      server_->display_name() + ", XAUTHORITY=\\(null\\)\n");
  EXPECT_TRUE(std::regex_match(line, expected)) << line;
}

// On a Wayland session XTest input reaches only XWayland's windows: one line
// says so when the backend starts, and nothing else changes.
TEST_F(X11ConnectionWithServer, WaylandSessionIsNamedOnce) {
  const struct {
    std::optional<std::string> session_type;
    std::optional<std::string> wayland_display;
    bool named;
  } cases[] = {
      {std::nullopt, std::nullopt, false},
      {std::string("x11"), std::nullopt, false},
      {std::string("wayland"), std::nullopt, true},
      {std::nullopt, std::string("wayland-0"), true},
  };
  ScopedEnv display("DISPLAY", server_->display_name());
  for (const auto& c : cases) {
    ScopedEnv session_type("XDG_SESSION_TYPE", c.session_type);
    ScopedEnv wayland_display("WAYLAND_DISPLAY", c.wayland_display);
    std::string lines;
    std::unique_ptr<Backend> backend = CreateBackendCapturing(&lines);
    const std::string note =
        "[X11Backend] Wayland session: injected input reaches only X11 "
        "(XWayland) windows\n";
    const size_t at = lines.find(note);
    EXPECT_EQ(at != std::string::npos, c.named) << lines;
    EXPECT_EQ(lines.find(note, at + 1), std::string::npos) << lines;
  }
}

TEST_F(X11ConnectionWithServer, LineShowsXauthority) {
  ScopedEnv display("DISPLAY", server_->display_name());
  ScopedEnv xauthority("XAUTHORITY", std::string("/nonexistent/xauth"));

  std::string line;
  std::unique_ptr<Backend> backend = CreateBackendCapturing(&line);
  EXPECT_NE(line.find("XAUTHORITY=/nonexistent/xauth\n"), std::string::npos)
      << line;
}

// Another client leaves an invisible cursor on the root window; a new
// backend starts from the server's default cursor again.
TEST_F(X11ConnectionWithServer, ConstructionRemovesACursorLeftOnTheRoot) {
  DisplayPtr other = server_->Connect();
  ASSERT_TRUE(other);
  Window root = DefaultRootWindow(other.get());
  static const char kZero = 0;
  Pixmap bitmap = XCreateBitmapFromData(other.get(), root, &kZero, 1, 1);
  XColor black = {};
  Cursor blank =
      XCreatePixmapCursor(other.get(), bitmap, bitmap, &black, &black, 0, 0);
  XFreePixmap(other.get(), bitmap);
  XDefineCursor(other.get(), root, blank);
  XSync(other.get(), False);

  auto cursor_width = [&]() {
    XFixesCursorImage* image = XFixesGetCursorImage(other.get());
    int width = image ? image->width : -1;
    if (image) {
      XFree(image);
    }
    return width;
  };
  ASSERT_EQ(cursor_width(), 1);

  ScopedEnv display("DISPLAY", server_->display_name());
  std::string line;
  std::unique_ptr<Backend> backend = CreateBackendCapturing(&line);
  // Closing the backend's connection waits until the server has handled
  // everything it sent.
  backend.reset();
  XSync(other.get(), False);

  EXPECT_GT(cursor_width(), 1);
  XFreeCursor(other.get(), blank);
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
