// The wlroots backend against a private headless sway (the session the
// wlroots tests start), three measurements printed as tables:
//  1. the app-thread time of each method through the channel: the call
//     itself (median) and all the app-thread CPU the method costs until its
//     queued steps have run (the key releases go out from main-loop
//     timeouts), per call;
//  2. the bare protocol requests the same input takes, on a connection of
//     the benchmark's own;
//  3. characters per second typed through the channel by the command-line
//     driver (one keyboardPress per character, one process) beside wtype on
//     the same text, both timed from the start of the process to the last
//     character arriving in a native window, and checked exact.
// Not a timed test: it judges nothing but exactness.

#include <glib.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backend/wlroots/connection.h"
#include "backend/wlroots/typing_keymap.h"
#include "backend/wlroots/virtual_devices.h"
#include "bench_support.h"
#include "support/sway_session.h"

namespace {

using quorvel::bench::Channel;
using quorvel::testing::SwaySession;
namespace wlroots = quorvel::wlroots;

constexpr int kCalls = 200;
// Mixed: ASCII with and without Shift, accented, Cyrillic, CJK, emoji.
constexpr char kText[] =
    "Hello World 2024, quick brown fox: Ünïcödé ж Жар 漢字 😀 done! "
    "Typing through a wlroots virtual keyboard, any character: é ß ø Ω ©.";

double Seconds(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

void RunLoopFor(int ms) {
  SwaySession::RunUntil([] { return false; }, ms);
}

// Runs the main loop, blocking in it as an app's loop does, until nothing
// has been dispatched for `quiet_ms`.
void RunLoopUntilQuiet(int quiet_ms) {
  for (;;) {
    bool quiet = false;
    const guint timer = g_timeout_add(
        static_cast<guint>(quiet_ms),
        [](gpointer data) {
          *static_cast<bool*>(data) = true;
          return G_SOURCE_REMOVE;
        },
        &quiet);
    g_main_context_iteration(nullptr, TRUE);
    if (quiet) {
      return;
    }
    g_source_remove(timer);
  }
}

std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> characters;
  for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
    characters.emplace_back(p, g_utf8_next_char(p) - p);
  }
  return characters;
}

FlValue* CharArgs(const std::string& text) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "char", fl_value_new_string(text.c_str()));
  return args;
}

FlValue* ClickArgs(int x, int y, const char* type) {
  FlValue* args = fl_value_new_map();
  fl_value_set_string_take(args, "x", fl_value_new_int(x));
  fl_value_set_string_take(args, "y", fl_value_new_int(y));
  fl_value_set_string_take(args, "type", fl_value_new_string(type));
  fl_value_set_string_take(args, "button", fl_value_new_string("Left"));
  return args;
}

// One method, kCalls times through the channel.
void TimeMethod(const Channel& channel,
                const char* name,
                const std::function<GBytes*(int)>& message) {
  std::vector<GBytes*> messages;
  messages.reserve(kCalls);
  for (int i = 0; i < kCalls; i++) {
    messages.push_back(message(i));
  }
  std::vector<double> calls;
  calls.reserve(kCalls);
  const double cpu_start = Seconds(CLOCK_THREAD_CPUTIME_ID);
  for (GBytes* bytes : messages) {
    const double start = Seconds(CLOCK_MONOTONIC);
    channel.Call(bytes);
    calls.push_back(Seconds(CLOCK_MONOTONIC) - start);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
  RunLoopUntilQuiet(100);
  const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu_start;
  std::sort(calls.begin(), calls.end());
  printf("| %s | %.1f µs | %.1f µs |\n", name, calls[calls.size() / 2] * 1e6,
         cpu / kCalls * 1e6);
  for (GBytes* bytes : messages) {
    g_bytes_unref(bytes);
  }
}

// One group of bare requests, kCalls times, each flushed.
void TimeBare(const char* name,
              wlroots::Connection* connection,
              const std::function<void(int)>& send) {
  std::vector<double> times;
  times.reserve(kCalls);
  for (int i = 0; i < kCalls; i++) {
    const double start = Seconds(CLOCK_MONOTONIC);
    send(i);
    connection->Flush();
    times.push_back(Seconds(CLOCK_MONOTONIC) - start);
    connection->Roundtrip(1000);  // untimed: keeps the socket drained
  }
  std::sort(times.begin(), times.end());
  printf("| %s | %.1f µs |\n", name, times[times.size() / 2] * 1e6);
}

void AppThreadTimes() {
  Channel channel;
  // The devices' warm-up and the first keymap are one-time costs.
  RunLoopFor(300);
  printf(
      "\n| method (channel) | call, median | app-thread CPU per call, all "
      "steps |\n|---|---:|---:|\n");
  TimeMethod(channel, "moveMouse", [&](int i) {
    return channel.Encode(
        "moveMouse", quorvel::bench::IntArgs({{"x", 100 + i}, {"y", 100}}));
  });
  TimeMethod(channel, "moveMouseAndClick (Down, Up)", [&](int i) {
    return channel.Encode("moveMouseAndClick",
                          ClickArgs(300, 300, i % 2 == 0 ? "Down" : "Up"));
  });
  TimeMethod(channel, "keyboardClick (a)", [&](int) {
    return channel.Encode("keyboardClick",
                          quorvel::bench::IntArgs({{"key", 0}}));
  });
  TimeMethod(channel, "keyboardPress \"a\" (seat key)", [&](int) {
    return channel.Encode("keyboardPress", CharArgs("a"));
  });
  TimeMethod(channel, "keyboardPress \"A\" (seat key, Shift)", [&](int) {
    return channel.Encode("keyboardPress", CharArgs("A"));
  });
  TimeMethod(channel, "keyboardPress a new CJK character (keymap sent)",
             [&](int i) {
               char text[8] = {0};
               g_unichar_to_utf8(0x4e00 + i, text);
               return channel.Encode("keyboardPress", CharArgs(text));
             });
}

void BareTimes() {
  std::string why;
  std::unique_ptr<wlroots::Connection> connection =
      wlroots::Connection::Open(1000, &why);
  if (!connection) {
    printf("bare: no connection: %s\n", why.c_str());
    return;
  }
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  std::unique_ptr<wlroots::TypingKeymap> keymap =
      wlroots::TypingKeymap::Create(context, std::string());
  wlroots::VirtualPointer pointer(connection.get());
  wlroots::VirtualKeyboard keyboard(connection.get());
  keyboard.SetKeymap(keymap->text());
  connection->Roundtrip(1000);
  const wlroots::DesktopBox box = {0, 0, 2080, 800};
  printf("\n| bare requests (one flush each) | median |\n|---|---:|\n");
  TimeBare("motion_absolute + frame", connection.get(),
           [&](int i) { pointer.MoveTo(box, 100 + i, 100); });
  TimeBare("motion_absolute + frame, button + frame", connection.get(),
           [&](int i) {
             pointer.MoveTo(box, 300, 300);
             pointer.Button(0x110, i % 2 == 0);
           });
  TimeBare("key press + key release (a, no hold)", connection.get(), [&](int) {
    keyboard.Key(38, true);
    keyboard.Key(38, false);
  });
  TimeBare("modifiers + key press + key release + modifiers", connection.get(),
           [&](int) {
             keyboard.Modifiers(1, 0, 0, 0);
             keyboard.Key(38, true);
             keyboard.Key(38, false);
             keyboard.Modifiers(0, 0, 0, 0);
           });
  printf("| keymap upload (%zu bytes: memfd, write, seal, request) ",
         keymap->text().size() + 1);
  TimeBare("", connection.get(),
           [&](int) { keyboard.SetKeymap(keymap->text()); });
  xkb_context_unref(context);
}

// The characters of the window's presses from `from_line` on.
std::string Typed(const SwaySession& session, size_t from_line) {
  std::string typed;
  std::vector<std::string> lines = session.WindowLines();
  for (size_t i = from_line; i < lines.size(); i++) {
    const std::string& line = lines[i];
    const size_t at = line.find(" char='");
    const size_t end = line.find("' time=");
    if (line.rfind("KEY press", 0) == 0 && at != std::string::npos &&
        end != std::string::npos) {
      typed += line.substr(at + 7, end - at - 7);
    }
  }
  return typed;
}

// Watches the window until it has `expected`, or until `pid` has exited
// and nothing more arrived for a second; the time the last character
// arrived, and in *got what did.
double WaitForText(const SwaySession& session,
                   size_t from_line,
                   GPid pid,
                   const std::string& expected,
                   std::string* got) {
  double last_change = Seconds(CLOCK_MONOTONIC);
  bool exited = false;
  while (*got != expected &&
         !(exited && Seconds(CLOCK_MONOTONIC) - last_change > 1)) {
    g_usleep(1000);
    exited = exited || waitpid(pid, nullptr, WNOHANG) == pid;
    std::string now = Typed(session, from_line);
    if (now != *got) {
      *got = now;
      last_change = Seconds(CLOCK_MONOTONIC);
    }
  }
  if (!exited) {
    waitpid(pid, nullptr, 0);
  }
  return last_change;
}

void TypingRates(const SwaySession& session) {
  const std::vector<std::string> characters = Characters(kText);
  std::string script_path = session.runtime_dir() + "/typing.script";
  std::string script;
  for (const std::string& c : characters) {
    script += "keyboardPress char='" + c + "'\n";
  }
  g_file_set_contents(script_path.c_str(), script.c_str(), -1, nullptr);
  // Focus the window on the first output.
  quorvel::bench::RunProcess({QUORVEL_EVENTS_DRIVER, "moveMouseAndClick",
                              "x=50", "y=50", "type=Down", "button=Left"});
  quorvel::bench::RunProcess({QUORVEL_EVENTS_DRIVER, "moveMouseAndClick",
                              "x=50", "y=50", "type=Up", "button=Left"});
  RunLoopFor(300);
  printf(
      "\n%zu characters: `%s`\n\n| typer | wall, start to last character "
      "| characters/s | exact |\n|---|---:|---:|---|\n",
      characters.size(), kText);
  const struct {
    const char* name;
    std::vector<std::string> command;
  } typers[] = {
      {"plugin: quorvel_events_driver --script (one keyboardPress per "
       "character)",
       {QUORVEL_EVENTS_DRIVER, "--script", script_path}},
      {"wtype TEXT", {"wtype", kText}},
  };
  for (const auto& typer : typers) {
    const size_t from = session.WindowLines().size();
    std::vector<char*> argv;
    for (const std::string& arg : typer.command) {
      argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const double start = Seconds(CLOCK_MONOTONIC);
    GPid pid = 0;
    if (!g_spawn_async(nullptr, argv.data(), nullptr,
                       static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH |
                                                G_SPAWN_DO_NOT_REAP_CHILD |
                                                G_SPAWN_STDOUT_TO_DEV_NULL),
                       nullptr, nullptr, &pid, nullptr)) {
      printf("| %s | cannot start | | |\n", typer.name);
      continue;
    }
    std::string got;
    const double end = WaitForText(session, from, pid, kText, &got);
    g_spawn_close_pid(pid);
    const double wall = end - start;
    printf("| %s | %.0f ms | %.0f | %s |\n", typer.name, wall * 1e3,
           characters.size() / wall,
           got == kText ? "yes" : ("NO, got `" + got + "`").c_str());
    RunLoopFor(300);
  }
}

}  // namespace

int main() {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  SwaySession::Options options;
  std::string error;
  std::unique_ptr<SwaySession> session = SwaySession::Start(options, &error);
  if (!session) {
    fprintf(stderr, "wlroots_bench: no sway: %s\n", error.c_str());
    return 1;
  }
  setenv("XDG_SESSION_TYPE", "wayland", 1);
  setenv("XDG_RUNTIME_DIR", session->runtime_dir().c_str(), 1);
  setenv("WAYLAND_DISPLAY", session->wayland_display().c_str(), 1);
  setenv("LC_ALL", "C.UTF-8", 1);
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  unsetenv("DISPLAY");
  AppThreadTimes();
  BareTimes();
  TypingRates(*session);
  return 0;
}
