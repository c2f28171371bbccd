// gtest before any X header: X.h defines None as a macro.
#include <gtest/gtest.h>

#include "backend/x11/xlib.h"

#include <X11/extensions/Xfixes.h>

#include <string>
#include <vector>

#include "backend/backend.h"
#include "backend/x11/connection.h"
#include "backend/x11/cursor.h"
#include "support/environment.h"
#include "support/record_observer.h"
#include "support/stderr_capture.h"
#include "support/x_server.h"
#include "support/x_server_test.h"

namespace quorvel {
namespace {

using testing::RecordObserver;
using testing::ScopedEnv;
using testing::XRecordEntry;
using testing::XServer;

// A server without XFixes crashes when any client disconnects while a
// RECORD context is enabled, so per-test backends cannot run there;
// CursorWithoutXfixesTest covers that server in one sequence.
class CursorTest : public testing::XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) {
      return;
    }
    backend_ = CreateBackend();
    Settle();
  }

  void TearDown() override {
    backend_.reset();
    XServerTest::TearDown();
  }

  // The cursor requests the backend sent since the last call. Without
  // XFixes the operations only flush; the pointer query is a round trip on
  // the backend's connection, so all of it has been dispatched.
  std::vector<std::string> Settle() {
    int32_t x = 0;
    int32_t y = 0;
    backend_->GetMouseCoords(&x, &y);
    entries_ = testing::Requests(observer_->Collect());
    return Described();
  }

  // The same, waiting for `count` requests without touching the backend's
  // connection: what it only flushed must arrive on its own.
  std::vector<std::string> Flushed(size_t count) {
    entries_ = testing::Requests(observer_->CollectAtLeast(count));
    return Described();
  }

  std::vector<std::string> Described() {
    std::vector<std::string> requests;
    for (const XRecordEntry& entry : entries_) {
      requests.push_back(Describe(entry));
    }
    return requests;
  }

  // Names the blank cursor and its bitmap as the first CreateCursor made
  // them, so expectations need no ids.
  std::string Describe(const XRecordEntry& entry) {
    if (entry.name == "CreateCursor") {
      blank_cursor_ = entry.cursor;
      bitmap_ = entry.pixmap;
      return std::string("CreateCursor source=") +
             (entry.pixmap == entry.mask ? "mask" : "other");
    }
    if (entry.name == "ChangeWindowAttributes") {
      return std::string("DefineCursor ") +
             (entry.window == root_ ? "root " : "? ") +
             (entry.cursor == 0               ? "None"
              : entry.cursor == blank_cursor_ ? "blank"
                                              : "other");
    }
    if (entry.name == "CreatePixmap" || entry.name == "FreePixmap") {
      return entry.name;
    }
    if (entry.name == "XFixesHideCursor" || entry.name == "XFixesShowCursor") {
      return entry.name + (entry.window == root_ ? " root" : " ?");
    }
    return entry.ToString();
  }

  static std::vector<std::string> WithXfixes(std::vector<std::string> core,
                                             const char* xfixes) {
    core.push_back(std::string(xfixes) + " root");
    return core;
  }

  std::unique_ptr<Backend> backend_;
  std::vector<XRecordEntry> entries_;
  unsigned long blank_cursor_ = 0;
  unsigned long bitmap_ = 0;
};

const std::vector<std::string> kMakeAndDefine = {
    "CreatePixmap", "CreateCursor source=mask", "FreePixmap",
    "DefineCursor root blank"};

TEST_F(CursorTest, HidingTwiceDefinesAndHidesOnce) {
  backend_->HideCursor();
  const std::vector<std::string> expected =
      WithXfixes(kMakeAndDefine, "XFixesHideCursor");
  EXPECT_EQ(Flushed(expected.size()), expected);
  ASSERT_NE(blank_cursor_, 0u);
  EXPECT_EQ(testing::Named(entries_, "FreePixmap").at(0).pixmap, bitmap_);
  backend_->HideCursor();
  EXPECT_EQ(Settle(), std::vector<std::string>());
}

TEST_F(CursorTest, ShowingWithoutHideSendsNothing) {
  backend_->ShowCursor();
  EXPECT_EQ(Settle(), std::vector<std::string>());
}

TEST_F(CursorTest, HideShowHideMakesTheCursorOnceAndDefinesItTwice) {
  backend_->HideCursor();
  EXPECT_EQ(Settle(), WithXfixes(kMakeAndDefine, "XFixesHideCursor"));
  backend_->ShowCursor();
  EXPECT_EQ(Settle(),
            WithXfixes({"DefineCursor root None"}, "XFixesShowCursor"));
  backend_->HideCursor();
  EXPECT_EQ(Settle(),
            WithXfixes({"DefineCursor root blank"}, "XFixesHideCursor"));
}

TEST_F(CursorTest, HiddenRootCursorIsInvisible) {
  backend_->HideCursor();
  Settle();
  XFixesCursorImage* image = XFixesGetCursorImage(test_display_.get());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 1);
  EXPECT_EQ(image->height, 1);
  EXPECT_EQ(image->pixels[0] >> 24, 0u) << "alpha";
  XFree(image);

  // The plugin going away while the pointer is hidden gives it back.
  backend_.reset();
  std::vector<std::string> names;
  for (const XRecordEntry& entry : testing::Requests(observer_->Collect())) {
    names.push_back(entry.name);
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"ChangeWindowAttributes",
                                      "XFixesShowCursor", "FreeCursor"}));
  image = XFixesGetCursorImage(test_display_.get());
  ASSERT_TRUE(image);
  EXPECT_GT(image->width, 1);
  XFree(image);
}

TEST(CursorWithoutXfixesTest, RootCursorStillTogglesWithoutXfixes) {
  XServer::Options options;
  options.extra_args = {"-extension", "XFIXES"};
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start(options, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL("Xvfb: " + error);
  }
  // Neither may disconnect before the server is gone (see CursorTest), so
  // both are left to the process's exit, reachable from these statics.
  static RecordObserver* observer = nullptr;
  static Backend* backend = nullptr;
  observer = RecordObserver::Start(server->display_name(), &error).release();
  ASSERT_TRUE(observer) << error;
  {
    ScopedEnv display("DISPLAY", server->display_name());
    backend = CreateBackend().release();
  }
  auto cursors = [] {
    int32_t x = 0;
    int32_t y = 0;
    backend->GetMouseCoords(&x, &y);  // round trip: all dispatched
    std::vector<std::string> seen;
    for (const XRecordEntry& entry : observer->Collect()) {
      if (entry.name == "ChangeWindowAttributes") {
        seen.push_back(entry.cursor ? "define" : "undefine");
      } else if (entry.kind == XRecordEntry::Kind::kRequest) {
        seen.push_back(entry.name);
      }
    }
    return seen;
  };
  cursors();
  backend->HideCursor();
  backend->HideCursor();
  EXPECT_EQ(cursors(), (std::vector<std::string>{"CreatePixmap", "CreateCursor",
                                                 "FreePixmap", "define"}));
  backend->ShowCursor();
  backend->ShowCursor();
  EXPECT_EQ(cursors(), (std::vector<std::string>{"undefine"}));
  backend->HideCursor();
  EXPECT_EQ(cursors(), (std::vector<std::string>{"define"}));
  server.reset();
}

int app_handler_calls = 0;
int CountingHandler(Display* /*display*/, XErrorEvent* /*event*/) {
  ++app_handler_calls;
  return 0;
}

// The server refuses an XFixes show from a connection that never hid the
// cursor (BadMatch): exactly one diagnostic line, and the app's own error
// handler neither replaced nor called.
TEST(CursorErrorTest, XfixesErrorIsPrintedOnceAndNeverReachesTheApp) {
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start({}, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL("Xvfb: " + error);
  }
  ScopedEnv display_env("DISPLAY", server->display_name());
  Display* display = x11::OpenConnection();
  ASSERT_TRUE(display);
  int xfixes_opcode = 0;
  int first_event = 0;
  int first_error = 0;
  ASSERT_TRUE(XQueryExtension(display, "XFIXES", &xfixes_opcode, &first_event,
                              &first_error));

  XErrorHandler before = XSetErrorHandler(CountingHandler);
  app_handler_calls = 0;
  bool hidden = true;
  testing::StderrCapture capture;
  x11::ShowCursor(display, DefaultRootWindow(display), &hidden);
  XSync(display, False);  // the error arrives
  const std::string printed = capture.Finish();
  EXPECT_EQ(XSetErrorHandler(before), &CountingHandler);
  EXPECT_EQ(app_handler_calls, 0);
  EXPECT_FALSE(hidden);
  x11::CloseConnection(display);

  constexpr int kXFixesShowCursor = 30;
  EXPECT_EQ(printed,
            "[X11Backend] Ignored X error from XFixes cursor call: code=" +
                std::to_string(BadMatch) +
                " request=" + std::to_string(xfixes_opcode) +
                " minor=" + std::to_string(kXFixesShowCursor) + "\n");
}

}  // namespace
}  // namespace quorvel
