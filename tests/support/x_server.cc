#include "support/x_server.h"

#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace quorvel {
namespace testing {
namespace {

// A guard against a server that never comes up, not a performance bound:
// two Xorg servers starting at once on a busy two-core machine take seconds.
constexpr int kStartTimeoutMs = 30000;

std::string MakeTempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quorvel-x.XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    return {};
  }
  return pattern;
}

std::vector<std::string> CommandLine(const XServer::Options& options,
                                     const std::string& temp_dir,
                                     int display_fd) {
  std::vector<std::string> args;
  if (options.kind == XServer::Kind::kXvfb) {
    args = {"Xvfb", "-screen", "0", options.screen};
  } else {
    args = {"Xorg",
            "-config",
            QUORVEL_SOURCE_DIR "/tests/data/xorg-dummy-3mon.conf",
            "-logfile",
            temp_dir + "/Xorg.log",
            "-novtswitch",
            "-sharevts"};
  }
  if (!options.display.empty()) {
    args.insert(args.begin() + 1, options.display);
  }
  for (const char* arg : {"-noreset", "-nolisten", "tcp", "-displayfd"}) {
    args.push_back(arg);
  }
  args.push_back(std::to_string(display_fd));
  args.insert(args.end(), options.extra_args.begin(), options.extra_args.end());
  return args;
}

// Waits for the display number the server writes once it accepts
// connections. Empty when the server died or the pipe closed first.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(kStartTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd pfd = {fd, POLLIN, 0};
    int rc = poll(&pfd, 1, 100);
    if (rc < 0 && errno != EINTR) {
      return {};
    }
    if (rc <= 0) {
      continue;
    }
    char buffer[32];
    ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) {
      return {};
    }
    number.append(buffer, static_cast<size_t>(n));
    if (number.find('\n') != std::string::npos) {
      return number.substr(0, number.find('\n'));
    }
  }
  return {};
}

// The end of a log, for failure messages (the log goes with the temp dir).
std::string Tail(const std::string& path) {
  std::ifstream file(path);
  std::string text((std::istreambuf_iterator<char>(file)),
                   std::istreambuf_iterator<char>());
  constexpr size_t kMax = 2000;
  return text.size() > kMax ? text.substr(text.size() - kMax) : text;
}

}  // namespace

std::unique_ptr<XServer> XServer::Start(const Options& options,
                                        std::string* error) {
  std::string ignored;
  std::string& why = error ? *error : ignored;
  std::unique_ptr<XServer> server(new XServer());
  server->temp_dir_ = MakeTempDir();
  if (server->temp_dir_.empty()) {
    why = "cannot make a temporary directory";
    return nullptr;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    why = "pipe failed";
    return nullptr;
  }
  const std::string log_path = server->temp_dir_ + "/server.log";
  ChildOptions child;
  child.log_path = log_path;
  child.keep_fd = fds[1];
  server->pid_ =
      SpawnChild(CommandLine(options, server->temp_dir_, fds[1]), child);
  close(fds[1]);
  const std::string number =
      server->pid_ > 0 ? ReadDisplayNumber(fds[0]) : std::string();
  close(fds[0]);
  if (number.empty()) {
    why = options.kind == Kind::kXvfb ? "Xvfb" : "Xorg";
    why += " did not start: " + Tail(log_path);
    return nullptr;
  }
  server->display_name_ = ":" + number;
  return server;
}

XServer::~XServer() {
  if (pid_ > 0) {
    StopChild(pid_);
  }
  if (!temp_dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(temp_dir_, ec);
  }
}

Display* XServer::Open() const {
  return XOpenDisplay(display_name_.c_str());
}

int XServer::Run(const std::string& shell_command) const {
  std::vector<std::string> env_strings;
  for (char** entry = environ; *entry; ++entry) {
    if (strncmp(*entry, "DISPLAY=", 8) != 0) {
      env_strings.push_back(*entry);
    }
  }
  env_strings.push_back("DISPLAY=" + display_name_);
  std::vector<char*> envp;
  for (std::string& entry : env_strings) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);

  std::vector<char*> argv = {const_cast<char*>("/bin/sh"),
                             const_cast<char*>("-c"),
                             const_cast<char*>(shell_command.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(),
                  envp.data()) != 0) {
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      return -1;
    }
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool KeyIsDown(Display* display, unsigned keycode) {
  char keys[32] = {};
  XQueryKeymap(display, keys);
  return (keys[keycode / 8] >> (keycode % 8)) & 1;
}

unsigned ButtonsDown(Display* display) {
  Window root = 0;
  Window child = 0;
  int root_x = 0;
  int root_y = 0;
  int x = 0;
  int y = 0;
  unsigned mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x,
                &root_y, &x, &y, &mask);
  return mask & (Button1Mask | Button2Mask | Button3Mask);
}

}  // namespace testing
}  // namespace quorvel
