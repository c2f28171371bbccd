// A fixed number of calls of one method by one path, for counting the
// instructions of this process under callgrind, which are repeatable where
// timings on a shared machine are not:
//
//   valgrind --tool=callgrind --toggle-collect=quorvel_measured_loop
//       quorvel_bench_count CASE PATH CALLS
//
// CASE: dispatch-theme, dispatch-move (no display), or moveMouse,
//   getMouseCoords, screenList, wheelMouse, moveMouseAndClick,
//   keyboardPress-egrave, keyboardPress-a, keyboardPress-A, keyboardClick,
//   keyboardClickShift, keyboardClickCommand (own Xvfb); or response,
//   response-bool, response-string, response-list: only making and
//   releasing the success response the dispatcher returns (null, a boolean
//   as for keyboardPress, a point's string, a list of one screen's string),
//   by the handler path.
// PATH: channel (the encoded call through the engine, the reply decoded),
//   handler (the dispatcher on decoded arguments, no codec), backend (the
//   Backend operation called directly: no name walk, no argument reading,
//   no response), or bare (the X requests alone; X cases only).
// Only the loop is counted; warm-up calls before it fill the lazy tables and
// the Xlib extension records. The X server's work is not in the count.

#include "backend/x11/xlib.h"

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include <X11/keysym.h>

#include "bare_requests.h"
#include "bench_support.h"
#include "plugin/method_call_handler.h"

namespace {

using Step = std::function<bool(int)>;

constexpr int kWarmUpCalls = 10;
constexpr int kX[2] = {100, 300};
constexpr int kY[2] = {200, 400};
// macOS virtual key code of A.
constexpr int64_t kMacA = 0;

}  // namespace

// Named for callgrind's --toggle-collect; kept out of line for it.
extern "C" __attribute__((noinline)) bool quorvel_measured_loop(
    const Step& step,
    int calls) {
  bool ok = true;
  for (int i = 0; i < calls; ++i) {
    ok = step(i) && ok;
  }
  return ok;
}

namespace {

struct Case {
  const char* name;
  bool needs_display;
  bool italian;  // the Italian layout, loaded before anyone connects
  // The method and its arguments for the channel and handler paths; the
  // argument maps for odd calls, where the method alternates.
  const char* method;
  std::function<FlValue*(int)> args;
  // The bare requests.
  std::function<bool(Display*, Window, int)> bare;
  // The Backend operation the dispatcher calls for call `i`.
  std::function<bool(quorvel::Backend&, int)> direct;
};

const std::string kDown = "Down";
const std::string kUp = "Up";
const std::string kLeft = "Left";
const std::string kEgrave = "è";
const std::string kLetter = "a";
const std::string kCapital = "A";
// macOS virtual key codes of Shift and Command.
constexpr uint32_t kMacShift = 56;
constexpr uint32_t kMacCommand = 55;

FlValue* Point(int i) {
  return quorvel::bench::IntArgs({{"x", kX[i & 1]}, {"y", kY[i & 1]}});
}

FlValue* Click(int i) {
  FlValue* args = Point(i);
  fl_value_set_string_take(args, "type",
                           fl_value_new_string(i & 1 ? "Up" : "Down"));
  fl_value_set_string_take(args, "button", fl_value_new_string("Left"));
  return args;
}

FlValue* Text(const char* text) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "char", fl_value_new_string(text));
  return args;
}

const Case kCases[] = {
    {"dispatch-theme", false, false, "getPlatformThemePointer",
     [](int) -> FlValue* { return nullptr; }, nullptr, nullptr},
    {"dispatch-move", false, false, "moveMouse", Point, nullptr, nullptr},
    {"moveMouse", true, false, "moveMouse", Point,
     [](Display* d, Window root, int i) {
       quorvel::bench::BareMoveMouse(d, root, kX[i & 1], kY[i & 1]);
       return true;
     },
     [](quorvel::Backend& b, int i) {
       b.MoveMouse(kX[i & 1], kY[i & 1]);
       return true;
     }},
    {"getMouseCoords", true, false, "getMouseCoords",
     [](int) -> FlValue* { return nullptr; },
     [](Display* d, Window root, int) {
       return quorvel::bench::BareGetMouseCoords(d, root);
     },
     [](quorvel::Backend& b, int) {
       int32_t x = 0;
       int32_t y = 0;
       return b.GetMouseCoords(&x, &y);
     }},
    {"screenList", true, false, "screenList",
     [](int) -> FlValue* { return nullptr; },
     [](Display* d, Window root, int) {
       return quorvel::bench::BareScreenList(d, root) == 1;
     },
     [](quorvel::Backend& b, int) { return b.GetScreenList().size() == 1; }},
    {"wheelMouse", true, false, "wheelMouse",
     [](int) {
       return quorvel::bench::IntArgs({{"x", 0}, {"y", 0}, {"delta", 1}});
     },
     [](Display* d, Window, int) {
       quorvel::bench::BareWheelUp(d);
       return true;
     },
     [](quorvel::Backend& b, int) {
       b.WheelMouse(0, 0, 1);
       return true;
     }},
    {"moveMouseAndClick", true, false, "moveMouseAndClick", Click,
     [](Display* d, Window, int i) {
       quorvel::bench::BareMoveMouseAndClick(d, kX[i & 1], kY[i & 1],
                                             (i & 1) == 0);
       return true;
     },
     [](quorvel::Backend& b, int i) {
       b.MouseClick(kX[i & 1], kY[i & 1], i & 1 ? kUp : kDown, kLeft);
       return true;
     }},
    {"keyboardPress-egrave", true, true, "keyboardPress",
     [](int) { return Text("è"); },
     [](Display* d, Window, int) {
       quorvel::bench::BareKeyTap(d, XK_egrave);
       return true;
     },
     [](quorvel::Backend& b, int) { return b.TypeText(kEgrave); }},
    {"keyboardPress-a", true, true, "keyboardPress",
     [](int) { return Text("a"); },
     [](Display* d, Window, int) {
       quorvel::bench::BareKeyTap(d, XK_a);
       return true;
     },
     [](quorvel::Backend& b, int) { return b.TypeText(kLetter); }},
    {"keyboardPress-A", true, true, "keyboardPress",
     [](int) { return Text("A"); },
     [](Display* d, Window, int) {
       quorvel::bench::BareKeyTap(d, XK_a, XK_Shift_L);
       return true;
     },
     [](quorvel::Backend& b, int) { return b.TypeText(kCapital); }},
    {"keyboardClick", true, false, "keyboardClick",
     [](int) {
       return quorvel::bench::IntArgs({{"key", kMacA}});
     },
     [](Display* d, Window, int) {
       quorvel::bench::BareKeyTap(d, XK_a);
       return true;
     },
     [](quorvel::Backend& b, int) {
       b.KeyPress(kMacA);
       return true;
     }},
    {"keyboardClickShift", true, false, "keyboardClickShiftPressed",
     [](int) {
       return quorvel::bench::IntArgs({{"key", kMacA}});
     },
     [](Display* d, Window, int) {
       quorvel::bench::BareKeyTap(d, XK_a, XK_Shift_L);
       return true;
     },
     [](quorvel::Backend& b, int) {
       b.KeyPressWithModifiers(kMacA, {kMacShift});
       return true;
     }},
    {"keyboardClickCommand", true, false, "keyboardClickCommandPressed",
     [](int) {
       return quorvel::bench::IntArgs({{"key", kMacA}});
     },
     [](Display* d, Window, int) {
       quorvel::bench::BareKeyTap(d, XK_a, XK_Super_L);
       return true;
     },
     [](quorvel::Backend& b, int) {
       b.KeyPressWithModifiers(kMacA, {kMacCommand});
       return true;
     }},
};

double CpuSeconds() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int Usage() {
  fprintf(stderr, "usage: quorvel_bench_count CASE channel|handler|bare N\n");
  return 2;
}

int Run(const Case& c, const std::string& path, int calls) {
  Step step;
  quorvel::bench::Channel channel;
  GBytes* messages[2] = {channel.Encode(c.method, c.args(0)),
                         channel.Encode(c.method, c.args(1))};
  FlValue* args[2] = {c.args(0), c.args(1)};
  std::unique_ptr<quorvel::Backend> backend = quorvel::CreateBackend();
  Display* display = nullptr;

  if (path == "channel") {
    step = [&](int i) { return channel.Call(messages[i & 1]); };
  } else if (path == "handler") {
    step = [&](int i) {
      g_autoptr(FlMethodResponse) response =
          quorvel::HandleMethodCall(*backend, c.method, args[i & 1]);
      return FL_IS_METHOD_SUCCESS_RESPONSE(response);
    };
  } else if (path == "backend" && c.direct) {
    step = [&](int i) { return c.direct(*backend, i); };
  } else if (path == "bare" && c.bare) {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
      return 1;
    }
    step = [&](int i) {
      return c.bare(display, DefaultRootWindow(display), i);
    };
  } else {
    return Usage();
  }

  // An even count of calls, so a button pressed in one is released again.
  bool ok = true;
  for (int i = 0; i < kWarmUpCalls; ++i) {
    ok = step(i) && ok;
  }
  const double cpu_before = CpuSeconds();
  ok = quorvel_measured_loop(step, calls + (calls & 1)) && ok;
  // This process's CPU time alone: wall time and the server's work are
  // someone else's business here.
  printf("%s %s: %.2f us of CPU per call\n", c.name, path.c_str(),
         (CpuSeconds() - cpu_before) * 1e6 / (calls + (calls & 1)));

  if (display != nullptr) {
    XSync(display, False);
    XCloseDisplay(display);
  }
  for (int i = 0; i < 2; ++i) {
    g_bytes_unref(messages[i]);
    if (args[i] != nullptr) {
      fl_value_unref(args[i]);
    }
  }
  if (!ok) {
    fprintf(stderr, "%s by %s: a call did not succeed\n", c.name, path.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int RunResponse(quorvel::bench::MakeValue make, int calls) {
  const Step step = [make](int i) {
    return quorvel::bench::MakeAndReleaseResponse(make, i);
  };
  for (int i = 0; i < kWarmUpCalls; ++i) {
    step(i);
  }
  return quorvel_measured_loop(step, calls) ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    return Usage();
  }
  if (const quorvel::bench::MakeValue make =
          quorvel::bench::ResponseValue(argv[1])) {
    const int calls = atoi(argv[3]);
    return calls > 0 ? RunResponse(make, calls) : Usage();
  }
  const Case* found = nullptr;
  for (const Case& c : kCases) {
    if (strcmp(c.name, argv[1]) == 0) {
      found = &c;
    }
  }
  const int calls = atoi(argv[3]);
  if (found == nullptr || calls <= 0) {
    return Usage();
  }

  std::unique_ptr<quorvel::bench::Xvfb> server;
  if (found->needs_display) {
    server = quorvel::bench::Xvfb::Start();
    if (!server) {
      fprintf(stderr, "Xvfb did not start\n");
      return 1;
    }
    setenv("DISPLAY", server->display_name().c_str(), 1);
    if (found->italian &&
        quorvel::bench::RunProcess({"setxkbmap", "it"}) != 0) {
      fprintf(stderr, "setxkbmap it failed\n");
      return 1;
    }
  } else {
    unsetenv("DISPLAY");
  }
  return Run(*found, argv[2], calls);
}
