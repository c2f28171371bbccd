// gtest before any X header: X.h defines None as a macro.
#include <gtest/gtest.h>

#include "backend/x11/xlib.h"

#include "backend/backend.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "backend/common/pointer_buttons.h"
#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/record_observer.h"
#include "support/x_server.h"
#include "support/x_server_test.h"

namespace quorvel {
namespace {

using testing::XRecordEntry;

constexpr int kRootWidth = 1280;
constexpr int kRootHeight = 1024;

class PointerTest : public testing::XServerTest {
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

  // What the backend sent since the last call, in a form that reads well in
  // a failure message. The pointer query is a round trip on the backend's
  // own connection, so everything it flushed before has been dispatched.
  std::vector<std::string> Settle() {
    int32_t x = 0;
    int32_t y = 0;
    backend_->GetMouseCoords(&x, &y);
    entries_ = observer_->Collect();
    return Described();
  }

  // What the backend sent, waiting for `count` requests without touching
  // its connection: for operations that only flush, so a missing flush
  // leaves them unsent and fails the comparison.
  std::vector<std::string> Flushed(size_t count) {
    entries_ = observer_->CollectAtLeast(count);
    return Described();
  }

  std::vector<std::string> Described() const {
    std::vector<std::string> requests;
    for (const XRecordEntry& entry : testing::Requests(entries_)) {
      requests.push_back(Describe(entry));
    }
    return requests;
  }

  std::string Describe(const XRecordEntry& entry) const {
    const std::string at =
        " " + std::to_string(entry.x) + "," + std::to_string(entry.y);
    if (entry.name == "WarpPointer") {
      return std::string("Warp") + (entry.window == root_ ? " root" : " ?") +
             at;
    }
    if (entry.name != "XTestFakeInput") {
      return entry.ToString();
    }
    const std::string delay =
        entry.delay == 0 ? "" : " delay=" + std::to_string(entry.delay);
    if (entry.fake_type == "MotionNotify") {
      return std::string(entry.detail == 0 ? "Motion" : "RelativeMotion") + at +
             delay;
    }
    return entry.fake_type + " " + std::to_string(entry.detail) + delay;
  }

  // Device events of one kind the last Settle() saw.
  std::vector<XRecordEntry> Events(const std::string& name) const {
    return testing::Named(entries_, name);
  }

  static std::string Motion(int x, int y) {
    return "Motion " + std::to_string(x) + "," + std::to_string(y);
  }
  static std::string Warp(int x, int y) {
    return "Warp root " + std::to_string(x) + "," + std::to_string(y);
  }
  static std::string Press(unsigned button) {
    return "ButtonPress " + std::to_string(button);
  }
  static std::string Release(unsigned button) {
    return "ButtonRelease " + std::to_string(button);
  }

  std::unique_ptr<Backend> backend_;
  std::vector<XRecordEntry> entries_;
};

TEST_F(PointerTest, MoveWarpsAndSendsMotionThenReportsThePoint) {
  backend_->MoveMouse(300, 400);
  EXPECT_EQ(Settle(),
            (std::vector<std::string>{Warp(300, 400), Motion(300, 400)}));
  ASSERT_FALSE(Events("MotionNotify").empty());
  EXPECT_EQ(Events("MotionNotify").back().x, 300);
  EXPECT_EQ(Events("MotionNotify").back().y, 400);

  int32_t x = 0;
  int32_t y = 0;
  ASSERT_TRUE(backend_->GetMouseCoords(&x, &y));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 400);
}

TEST_F(PointerTest, DragSendsExactlyWhatMoveSends) {
  backend_->MoveMouse(123, 456);
  const std::vector<std::string> move = Settle();
  backend_->MoveMouse(0, 0);
  Settle();
  backend_->DragMouse(123, 456);
  EXPECT_EQ(Settle(), move);
}

TEST_F(PointerTest, CoordinatesReachTheServerUnchanged) {
  // Anything a protocol INT16 holds, on or off the root window.
  const struct {
    int32_t x, y;
  } points[] = {{-50, -1},
                {kRootWidth + 500, kRootHeight + 9},
                {-32768, 32767},
                {kRootWidth, kRootHeight}};
  for (const auto& p : points) {
    backend_->MoveMouse(p.x, p.y);
    EXPECT_EQ(Settle(),
              (std::vector<std::string>{Warp(p.x, p.y), Motion(p.x, p.y)}));
    backend_->MouseClick(p.x, p.y, "Up", "");
    EXPECT_EQ(Settle(),
              (std::vector<std::string>{Motion(p.x, p.y), Release(1)}));
  }
  // The server keeps the pointer on the screen.
  int32_t x = -1;
  int32_t y = -1;
  ASSERT_TRUE(backend_->GetMouseCoords(&x, &y));
  EXPECT_EQ(x, kRootWidth - 1);
  EXPECT_EQ(y, kRootHeight - 1);
}

// Warp and XTest carry 16-bit coordinates: beyond them the point is taken
// to the nearest edge, never wrapped (65636 would land at 100).
TEST_F(PointerTest, CoordinatesBeyondTheProtocolAreClampedNotWrapped) {
  const struct {
    int32_t x, y;
    int sent_x, sent_y;
    int32_t at_x, at_y;
  } cases[] = {
      {65636, 300, 32767, 300, kRootWidth - 1, 300},
      {200, -65500, 200, -32768, 200, 0},
      {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
       -32768, 32767, 0, kRootHeight - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    backend_->MoveMouse(c.x, c.y);
    EXPECT_EQ(Settle(), (std::vector<std::string>{Warp(c.sent_x, c.sent_y),
                                                  Motion(c.sent_x, c.sent_y)}));
    int32_t x = -1;
    int32_t y = -1;
    ASSERT_TRUE(backend_->GetMouseCoords(&x, &y));
    EXPECT_EQ(x, c.at_x);
    EXPECT_EQ(y, c.at_y);
    backend_->MouseClick(c.x, c.y, "Up", "");
    EXPECT_EQ(Flushed(2), (std::vector<std::string>{Motion(c.sent_x, c.sent_y),
                                                    Release(1)}));
  }
}

TEST_F(PointerTest, ClickSendsMotionAndOneTransitionWithoutWarp) {
  const struct {
    const char* type;
    const char* button;
    unsigned number;
    bool press;
  } cases[] = {
      {"Down", "Right", 3, true},  {"Up", "Right", 3, false},
      {"Down", "Middle", 2, true}, {"Up", "Middle", 2, false},
      {"Down", "right", 1, true},  {"Up", "right", 1, false},
      {"Down", "middle", 1, true}, {"down", "middle", 1, false},
      {"Down", "Left", 1, true},   {"", "Left", 1, false},
      {"Down", "", 1, true},       {"DOWN", "", 1, false},
  };
  int step = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + "/" + c.button);
    const int x = 100 + step;
    const int y = 200 + step++;
    backend_->MouseClick(x, y, c.type, c.button);
    EXPECT_EQ(Flushed(2), (std::vector<std::string>{
                              Motion(x, y),
                              c.press ? Press(c.number) : Release(c.number)}));
    const auto events = Events(c.press ? "ButtonPress" : "ButtonRelease");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].detail, c.number);
    EXPECT_EQ(events[0].x, x);
    EXPECT_EQ(events[0].y, y);
  }
}

TEST_F(PointerTest, DoubleClickSendsFourButtonOneTransitionsBackToBack) {
  backend_->DoubleClick(640, 480);
  EXPECT_EQ(Flushed(5),
            (std::vector<std::string>{Motion(640, 480), Press(1), Release(1),
                                      Press(1), Release(1)}));
  std::vector<std::string> buttons;
  for (const XRecordEntry& entry : entries_) {
    if (entry.kind == XRecordEntry::Kind::kEvent &&
        (entry.name == "ButtonPress" || entry.name == "ButtonRelease")) {
      buttons.push_back(entry.name + " " + std::to_string(entry.detail));
    }
  }
  EXPECT_EQ(buttons, (std::vector<std::string>{Press(1), Release(1), Press(1),
                                               Release(1)}));
}

TEST_F(PointerTest, WheelSendsNotchPairsAndNeverMoves) {
  const struct {
    int32_t delta;
    unsigned button;
    int pairs;
  } cases[] = {{3, 4, 3}, {-2, 5, 2}, {0, 5, 1}, {1, 4, 1}};
  backend_->MoveMouse(10, 10);
  Settle();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delta);
    backend_->WheelMouse(900, 700, c.delta);
    std::vector<std::string> expected;
    for (int i = 0; i < c.pairs; ++i) {
      expected.push_back(Press(c.button));
      expected.push_back(Release(c.button));
    }
    EXPECT_EQ(Flushed(expected.size()), expected);
    EXPECT_TRUE(Events("MotionNotify").empty());
    EXPECT_EQ(Events("ButtonPress").size(), static_cast<size_t>(c.pairs));
  }
  int32_t x = 0;
  int32_t y = 0;
  ASSERT_TRUE(backend_->GetMouseCoords(&x, &y));
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 10);
}

TEST_F(PointerTest, HugeWheelDeltaIsClampedAndReturns) {
  const struct {
    int32_t delta;
    unsigned button;
  } cases[] = {{std::numeric_limits<int32_t>::min(), 5},
               {std::numeric_limits<int32_t>::max(), 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delta);
    backend_->WheelMouse(0, 0, c.delta);
    const std::vector<std::string> requests = Settle();
    ASSERT_EQ(requests.size(), 2u * common::kMaxWheelNotches);
    for (size_t i = 0; i < requests.size(); i += 2) {
      ASSERT_EQ(requests[i], Press(c.button)) << i;
      ASSERT_EQ(requests[i + 1], Release(c.button)) << i;
    }
  }
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

// The same requests, reached the way an app reaches them: encoded calls on
// the channel, with the position read back as the reply text.
TEST_F(PointerTest, ChannelCallsReachTheServer) {
  testing::PluginChannel channel;
  auto settle = [&]() {
    // A round trip on the channel backend's own connection.
    testing::Reply coords = channel.Invoke("getMouseCoords");
    entries_ = observer_->Collect();
    std::vector<std::string> requests;
    for (const XRecordEntry& entry : testing::Requests(entries_)) {
      requests.push_back(Describe(entry));
    }
    return std::make_pair(std::string(fl_value_get_string(coords.result.get())),
                          requests);
  };
  auto point = [](int64_t x, int64_t y) {
    return testing::Args(
        {{"x", fl_value_new_int(x)}, {"y", fl_value_new_int(y)}});
  };
  settle();

  channel.Invoke("moveMouse", point(321, 654));
  auto [position, requests] = settle();
  EXPECT_EQ(position, "321:654");
  EXPECT_EQ(requests,
            (std::vector<std::string>{Warp(321, 654), Motion(321, 654)}));

  channel.Invoke("dragMouse", point(10, 11));
  EXPECT_EQ(settle().second,
            (std::vector<std::string>{Warp(10, 11), Motion(10, 11)}));

  for (const char* type : {"Down", "Up"}) {
    FlValue* args = point(40, 50);
    fl_value_set_string_take(args, "type", fl_value_new_string(type));
    fl_value_set_string_take(args, "button", fl_value_new_string("Right"));
    channel.Invoke("moveMouseAndClick", args);
    EXPECT_EQ(settle().second,
              (std::vector<std::string>{
                  Motion(40, 50),
                  std::string(type) == "Down" ? Press(3) : Release(3)}));
  }

  FlValue* wheel = point(0, 0);
  fl_value_set_string_take(wheel, "delta", fl_value_new_int(-2));
  channel.Invoke("wheelMouse", wheel);
  EXPECT_EQ(settle().second, (std::vector<std::string>{Press(5), Release(5),
                                                       Press(5), Release(5)}));

  channel.Invoke("doubleClick", point(60, 70));
  EXPECT_EQ(settle().second,
            (std::vector<std::string>{Motion(60, 70), Press(1), Release(1),
                                      Press(1), Release(1)}));
}

}  // namespace
}  // namespace quorvel
