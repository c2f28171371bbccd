// Many mixed calls on one registration, without a display and on Xvfb: no
// leak (the sanitizer build and scripts/soak's valgrind run check that) and
// no growth of resident memory once warmed up.
//
// QUORVEL_SOAK_CALLS sets the number of calls per test (default 5,000;
// scripts/soak runs 100,000). QUORVEL_SOAK_NO_RSS_BOUND=1 reports the
// resident sizes without bounding them (valgrind's own memory is counted).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/sandbox.h"
#include "hardening/hostile_cases.h"
#include "support/environment.h"
#include "support/glib_log_guard.h"
#include "support/plugin_channel.h"
#include "support/x_server.h"

// Present when AddressSanitizer's runtime is linked in, whether or not this
// file itself was instrumented.
extern "C" int __asan_address_is_poisoned(void const volatile* address)
    __attribute__((weak));

namespace quorvel {
namespace testing {
namespace {

// Freed memory that stays with malloc, pages touched once: far more than any
// such noise, far less than a leak of a few dozen bytes per call over
// 100,000 calls.
constexpr long kRssGrowthBoundKb = 8 * 1024;

long CallCount() {
  const char* text = getenv("QUORVEL_SOAK_CALLS");
  long count = text ? strtol(text, nullptr, 10) : 0;
  return count > 0 ? count : 5000;
}

bool RssBounded() {
  if (__asan_address_is_poisoned) {
    return false;  // the allocator's quarantine grows on purpose
  }
  const char* off = getenv("QUORVEL_SOAK_NO_RSS_BOUND");
  return !(off && std::string(off) == "1");
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return strtol(line.c_str() + 6, nullptr, 10);
    }
  }
  return -1;
}

FlValue* Point(int x, int y) {
  return Args({{"x", fl_value_new_int(x)}, {"y", fl_value_new_int(y)}});
}

// One slot of the mix: a method and the arguments of its n-th use.
struct Slot {
  const char* method;
  int weight;  // calls per 1,000
  FlValue* (*args)(long n);
};

FlValue* NoArgs(long) {
  return nullptr;
}
FlValue* Position(long n) {
  return Point(static_cast<int>(n % 1280), static_cast<int>(n % 1024));
}
FlValue* Click(long n) {
  FlValue* args = Position(n);
  // Down and Up alternate, so no button stays pressed.
  fl_value_set_string_take(args, "type",
                           fl_value_new_string(n % 2 ? "Up" : "Down"));
  fl_value_set_string_take(args, "button", fl_value_new_string("Right"));
  return args;
}
FlValue* Wheel(long n) {
  FlValue* args = Position(n);
  fl_value_set_string_take(args, "delta", fl_value_new_int(n % 2 ? 1 : -1));
  return args;
}
FlValue* KeyTransition(long n) {
  return Args({{"key", fl_value_new_int(0x7b)},  // left arrow
               {"type", fl_value_new_string(n % 2 ? "Up" : "Down")}});
}
FlValue* HeldKey(long) {
  return Args({{"key", fl_value_new_int(0x7b)}});
}
FlValue* Character(long) {
  return Args({{"char", fl_value_new_string("a")}});
}
FlValue* Directory(long) {
  return Args({{"path", fl_value_new_string("/tmp")}});
}

// Key presses and typing hold 15 ms each and the lock and the opener start
// processes, so they are rare; everything else is what a remote session
// sends all the time.
const Slot kMix[] = {
    {"moveMouse", 250, Position},
    {"dragMouse", 100, Position},
    {"getMouseCoords", 150, NoArgs},
    {"moveMouseAndClick", 100, Click},
    {"doubleClick", 20, Position},
    {"wheelMouse", 60, Wheel},
    {"keyboardClick", 60, KeyTransition},
    {"screenSize", 40, NoArgs},
    {"screenList", 30, NoArgs},
    {"hideCursor", 20, NoArgs},
    {"showCursor", 20, NoArgs},
    {"getPlatformVersion", 20, NoArgs},
    {"getUsername", 20, NoArgs},
    {"getPlatformTheme", 10, NoArgs},
    {"getCurrentDirectory", 20, NoArgs},
    {"hasScreenAccess", 20, NoArgs},
    {"getFinderControl", 20, NoArgs},
    {"setScreenAccess", 10, NoArgs},
    {"getPlatformThemePointer", 10, NoArgs},
    {"MoveMouse", 16, Position},  // not implemented
    {"keyboardClickShiftPressed", 1, HeldKey},
    {"keyboardPress", 1, Character},
    {"openDirectory", 1, Directory},
    {"lockScreen", 1, NoArgs},
};

std::vector<const Slot*> Schedule() {
  std::vector<const Slot*> schedule;
  for (const Slot& slot : kMix) {
    for (int i = 0; i < slot.weight; ++i) {
      schedule.push_back(&slot);
    }
  }
  return schedule;
}

void Soak(const char* label) {
  const long calls = CallCount();
  const std::vector<const Slot*> schedule = Schedule();
  ASSERT_EQ(schedule.size(), 1000u);
  LogCapture logs;
  PluginChannel channel;
  long warm_kb = -1;
  for (long n = 0; n < calls; ++n) {
    // Interleaved, so that every thousand calls holds the whole mix.
    const Slot& slot = *schedule[(n * 7919) % schedule.size()];
    Reply reply = channel.Invoke(slot.method, slot.args(n));
    ASSERT_NE(reply.kind, Reply::kNoReply) << slot.method;
    if (n == calls / 10) {
      warm_kb = ResidentKb();
      logs.Clear();  // warnings are checked, not kept
    }
    if (n % 1000 == 0) {
      ExpectOnlyKnownWarnings(logs);
      logs.Clear();
    }
  }
  const long end_kb = ResidentKb();
  printf("soak %s: %ld calls, VmRSS after warm-up %ld kB, at end %ld kB\n",
         label, calls, warm_kb, end_kb);
  ::testing::Test::RecordProperty("rss_warm_kb", std::to_string(warm_kb));
  ::testing::Test::RecordProperty("rss_end_kb", std::to_string(end_kb));
  ExpectOnlyKnownWarnings(logs);
  if (RssBounded()) {
    EXPECT_LE(end_kb - warm_kb, kRssGrowthBoundKb);
  }
}

class SoakTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(fuzz::IsolateFromSession()); }
};

TEST_F(SoakTest, NoDisplay) {
  Soak("no display");
}

TEST_F(SoakTest, Xvfb) {
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start({}, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL(error);
  }
  ScopedEnv display("DISPLAY", server->display_name());
  Soak("Xvfb");
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
