// quorvel_events_driver: loads the plugin library the way a Flutter app
// does and sends it method calls from the command line or a script.

#include <getopt.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "driver/call_parser.h"
#include "driver/method_table.h"
#include "driver/plugin_host.h"
#include "driver/value_format.h"
#include "tests/support/channel_methods.h"

namespace quorvel {
namespace driver {
namespace {

constexpr char kPluginFileName[] =
    "libquorvel_remote_desktop_events_linux_plugin.so";

enum ExitStatus { kAllSucceeded = 0, kCallFailed = 1, kUsageError = 2 };

struct Options {
  std::string plugin;
  std::string script;  // empty: the call is on the command line
  int pause_ms = 0;
  bool raw = false;
};

void PrintHelp() {
  printf(
      "Usage: quorvel_events_driver [OPTIONS] METHOD [KEY=VALUE...]\n"
      "       quorvel_events_driver [OPTIONS] --script FILE|-\n"
      "\n"
      "Loads the plugin library as a Flutter app does, sends method calls on\n"
      "the channel \"quorvel_remote_desktop_events\" and prints one line per\n"
      "call: the call, \"->\", and the decoded reply.\n"
      "\n"
      "Options (before the method):\n"
      "  --plugin PATH   plugin library (default: the one built with the "
      "driver)\n"
      "  --script FILE   one call per line, '-' for standard input; blank "
      "lines\n"
      "                  and tokens starting with '#' (comments) are "
      "skipped\n"
      "  --pause-ms N    wait N ms between calls\n"
      "  --raw           also print the message and reply bytes in hex\n"
      "  --help          this text\n"
      "\n"
      "Values:\n"
      "  42 -7 0x24            integers (64-bit)\n"
      "  10.5 -.5 1e3 2.       floats\n"
      "  true false null\n"
      "  \"a b\" 'a b'           strings; inside \"...\" the escapes \\\" \\\\ "
      "\\n \\t\n"
      "  è abc - .             any other bare word is a string\n"
      "  A bare value that starts like a number (a digit, or a sign or '.'\n"
      "  followed by a digit) must be a whole number: x=12abc is an error,\n"
      "  char='1' sends the string \"1\" and char=1 the integer 1. On the\n"
      "  command line the shell removes one level of quotes: 'char=\"1\"'.\n"
      "  Without arguments the call carries null, as from Dart.\n"
      "\n"
      "Methods:\n");
  for (const MethodInfo& method : Methods()) {
    printf("  %-28s %s%s-> %s\n", method.name, method.arguments,
           *method.arguments != '\0' ? "  " : "", method.reply);
  }
  printf(
      "\n"
      "Exit status: 0 when every call got a success reply; 1 when a reply\n"
      "was an error or not-implemented, or a line was malformed (nothing is\n"
      "sent for it); 2 for a usage error or a library that does not load.\n");
}

std::string DefaultPluginPath() {
  if (access(QUORVEL_DEFAULT_PLUGIN_PATH, R_OK) == 0) {
    return QUORVEL_DEFAULT_PLUGIN_PATH;
  }
  // Installed: the library beside the driver.
  g_autofree gchar* self = g_file_read_link("/proc/self/exe", nullptr);
  g_autofree gchar* dir = g_path_get_dirname(self != nullptr ? self : ".");
  g_autofree gchar* beside = g_build_filename(dir, kPluginFileName, nullptr);
  return beside;
}

bool ParseOptions(int argc, char** argv, Options* options, int* first_word) {
  static const option kLongOptions[] = {
      {"plugin", required_argument, nullptr, 'p'},
      {"script", required_argument, nullptr, 's'},
      {"pause-ms", required_argument, nullptr, 'w'},
      {"raw", no_argument, nullptr, 'r'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  options->plugin = DefaultPluginPath();
  int option;
  // '+': stop at the method, so arguments like delta=-3 are never options.
  while ((option = getopt_long(argc, argv, "+h", kLongOptions, nullptr)) !=
         -1) {
    switch (option) {
      case 'p':
        options->plugin = optarg;
        break;
      case 's':
        options->script = optarg;
        break;
      case 'w': {
        char* end = nullptr;
        const long pause = strtol(optarg, &end, 10);
        if (*optarg == '\0' || *end != '\0' || pause < 0 || pause > 3600000) {
          fprintf(stderr, "--pause-ms: not a number of milliseconds: %s\n",
                  optarg);
          return false;
        }
        options->pause_ms = static_cast<int>(pause);
        break;
      }
      case 'r':
        options->raw = true;
        break;
      case 'h':
        PrintHelp();
        exit(kAllSucceeded);
      default:
        return false;
    }
  }
  *first_word = optind;
  const bool has_words = optind < argc;
  if (options->script.empty() == has_words) {
    return true;
  }
  fprintf(stderr, has_words ? "give either --script or a method, not both\n"
                            : "no method given (see --help)\n");
  return false;
}

// A lock's D-Bus replies and fallback command come within this long.
constexpr gint64 kLockQuietUs = 300000;
constexpr gint64 kLockMostUs = 6000000;
// Before exiting: longer than a key hold (15 ms), so releases still queued
// are sent in time, not all at once by the plugin's dispose.
constexpr gint64 kExitQuietUs = 50000;
constexpr gint64 kWaylandExitQuietUs = 300000;
constexpr gint64 kExitMostUs = 60000000;

// What the app's main loop would do between calls: the plugin finishes some
// work there (the session lock's D-Bus replies and its loginctl fallback).
void DispatchPending() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// The plugin's own test (backend/common/session_type.cc): the login
// manager says Wayland, or a compositor's socket is named.
bool OnWaylandSession() {
  const char* type = getenv("XDG_SESSION_TYPE");
  return (type && std::string(type) == "wayland") ||
         getenv("WAYLAND_DISPLAY") != nullptr;
}

// Waits `ms` with the main loop running, as an app's loop runs between two
// calls: a compositor backend connects and sends its input there.
void RunLoopFor(int ms) {
  const gint64 end = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
  while (g_get_monotonic_time() < end) {
    if (!g_main_context_iteration(nullptr, FALSE)) {
      g_usleep(1000);
    }
  }
}

// Runs the main loop until it has been quiet for `quiet_us`, at most
// `most_us`, as an app's loop goes on after a call: the lock started by a
// "lockScreen" gets to finish, and so do the key releases a Wayland
// backend sends from the loop.
void RunLoopUntilQuiet(gint64 quiet_us, gint64 most_us) {
  const gint64 start = g_get_monotonic_time();
  gint64 last_work = start;
  while (g_get_monotonic_time() - last_work < quiet_us &&
         g_get_monotonic_time() - start < most_us) {
    if (g_main_context_iteration(nullptr, FALSE)) {
      last_work = g_get_monotonic_time();
    } else {
      g_usleep(10000);
    }
  }
}

// Sends one call and prints its line; true for a success reply.
bool RunCall(PluginHost* host, const Call& call, bool raw) {
  g_autoptr(GBytes) request = nullptr;
  g_autoptr(GBytes) reply = host->Send(call.method, call.args.get(), &request);
  std::string outcome;
  const bool succeeded = FormatReply(reply, &outcome);
  printf("%s -> %s\n", FormatCall(call.method, call.args.get()).c_str(),
         outcome.c_str());
  if (raw) {
    printf("  sent:  %s\n  reply: %s\n", HexBytes(request).c_str(),
           reply != nullptr ? HexBytes(reply).c_str() : "(none)");
  }
  DispatchPending();
  if (call.method == method::kLockScreen) {
    RunLoopUntilQuiet(kLockQuietUs, kLockMostUs);
  }
  return succeeded;
}

int RunScript(PluginHost* host, const Options& options) {
  std::ifstream file;
  if (options.script != "-") {
    file.open(options.script);
    if (!file) {
      fprintf(stderr, "cannot read %s\n", options.script.c_str());
      return kUsageError;
    }
  }
  std::istream& input = options.script == "-" ? std::cin : file;
  int status = kAllSucceeded;
  bool first = true;
  std::string line;
  for (int number = 1; std::getline(input, line); ++number) {
    Call call;
    std::string error;
    if (!ParseCallLine(line, &call, &error)) {
      fprintf(stderr, "line %d: %s\n", number, error.c_str());
      status = kCallFailed;
      continue;
    }
    if (call.method.empty()) {
      continue;
    }
    if (!first && options.pause_ms > 0) {
      RunLoopFor(options.pause_ms);
    }
    first = false;
    if (!RunCall(host, call, options.raw)) {
      status = kCallFailed;
    }
  }
  return status;
}

int Main(int argc, char** argv) {
  // Lines reach a pipe in order with the plugin's own standard-error lines.
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Options options;
  int first_word = 0;
  if (!ParseOptions(argc, argv, &options, &first_word)) {
    return kUsageError;
  }
  Call call;
  if (options.script.empty()) {
    std::string error;
    if (!ParseCallWords({argv + first_word, argv + argc}, &call, &error)) {
      fprintf(stderr, "%s\n", error.c_str());
      return kCallFailed;
    }
  }
  std::string error;
  std::unique_ptr<PluginHost> host = PluginHost::Load(options.plugin, &error);
  if (!host) {
    fprintf(stderr, "cannot load the plugin: %s\n", error.c_str());
    return kUsageError;
  }
  int status = kAllSucceeded;
  if (!options.script.empty()) {
    status = RunScript(host.get(), options);
  } else if (!RunCall(host.get(), call, options.raw)) {
    status = kCallFailed;
  }
  // On Wayland the backend may still be connecting (KWin's EIS devices
  // start a moment after the connection), with the input queued behind it.
  RunLoopUntilQuiet(OnWaylandSession() ? kWaylandExitQuietUs : kExitQuietUs,
                    kExitMostUs);
  return status;
}

}  // namespace
}  // namespace driver
}  // namespace quorvel

int main(int argc, char** argv) {
  return quorvel::driver::Main(argc, argv);
}
