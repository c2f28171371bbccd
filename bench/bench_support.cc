#include "bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <quorvel_remote_desktop_events_linux/quorvel_remote_desktop_events_plugin.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/child_process.h"

extern char** environ;

namespace quorvel {
namespace bench {
namespace {

constexpr char kChannelName[] = "quorvel_remote_desktop_events";
// A guard against a server that never answers, not a performance bound: the
// machine may be busy with other builds.
constexpr int kStartTimeoutMs = 30000;

pid_t Spawn(const std::vector<std::string>& args, int keep_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  if (keep_fd >= 0) {
    // dup2 onto itself clears close-on-exec.
    posix_spawn_file_actions_adddup2(&actions, keep_fd, keep_fd);
  }
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc =
      posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      return -1;
    }
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The display number Xvfb writes once it accepts connections; empty when it
// died first.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  pollfd pfd = {fd, POLLIN, 0};
  while (poll(&pfd, 1, kStartTimeoutMs) > 0) {
    char buffer[16];
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) {
      return {};
    }
    number.append(buffer, static_cast<size_t>(n));
    const size_t end = number.find('\n');
    if (end != std::string::npos) {
      return number.substr(0, end);
    }
  }
  return {};
}

}  // namespace

std::unique_ptr<Xvfb> Xvfb::Start() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    return nullptr;
  }
  // -noreset: the keyboard layout set before the plugin connects survives
  // the disconnection of setxkbmap.
  const pid_t pid =
      Spawn({"Xvfb", "-screen", "0", "1280x1024x24", "-noreset", "-nolisten",
             "tcp", "-displayfd", std::to_string(fds[1])},
            fds[1]);
  close(fds[1]);
  std::unique_ptr<Xvfb> server(new Xvfb());
  server->pid_ = pid;
  const std::string number = pid > 0 ? ReadDisplayNumber(fds[0]) : "";
  close(fds[0]);
  if (number.empty()) {
    return nullptr;  // the destructor stops a server that did start
  }
  server->display_name_ = ":" + number;
  return server;
}

// Xvfb can miss a SIGTERM that comes just before it waits for clients, and
// then sleeps for minutes: StopChild kills it after a grace period.
Xvfb::~Xvfb() {
  testing::StopChild(pid_);
}

int RunProcess(const std::vector<std::string>& args) {
  const pid_t pid = Spawn(args, -1);
  return pid > 0 ? Wait(pid) : -1;
}

Channel::Channel()
    : engine_(host_engine_new()),
      codec_(FL_METHOD_CODEC(fl_standard_method_codec_new())) {
  quorvel_remote_desktop_events_plugin_register_with_registrar(
      host_engine_get_registrar(engine_));
}

Channel::~Channel() {
  host_engine_shutdown(engine_);
  g_object_unref(engine_);
  g_object_unref(codec_);
}

GBytes* Channel::Encode(const char* method, FlValue* args) const {
  g_autoptr(FlValue) owned = args;
  return FL_METHOD_CODEC_GET_CLASS(codec_)->encode_method_call(codec_, method,
                                                               owned, nullptr);
}

bool Channel::Call(GBytes* message) const {
  g_autoptr(GBytes) reply = host_engine_send(engine_, kChannelName, message);
  if (reply == nullptr || g_bytes_get_size(reply) == 0) {
    return false;
  }
  g_autoptr(FlMethodResponse) response =
      FL_METHOD_CODEC_GET_CLASS(codec_)->decode_response(codec_, reply,
                                                         nullptr);
  return response != nullptr && FL_IS_METHOD_SUCCESS_RESPONSE(response);
}

FlValue* IntArgs(std::initializer_list<std::pair<const char*, int64_t>> args) {
  FlValue* map = fl_value_new_map();
  for (const auto& [key, value] : args) {
    fl_value_set_string_take(map, key, fl_value_new_int(value));
  }
  return map;
}

namespace {

FlValue* NoValue(int) {
  return nullptr;
}
FlValue* BoolValue(int i) {
  return fl_value_new_bool((i & 1) != 0);
}
FlValue* PointValue(int) {
  return fl_value_new_string("640:512");
}
FlValue* ScreensValue(int) {
  FlValue* list = fl_value_new_list();
  fl_value_append_take(list, fl_value_new_string("1@1280:1024:0:0:1"));
  return list;
}

}  // namespace

MakeValue ResponseValue(const char* name) {
  const struct {
    const char* name;
    MakeValue make;
  } kResponses[] = {{"response", NoValue},
                    {"response-bool", BoolValue},
                    {"response-string", PointValue},
                    {"response-list", ScreensValue}};
  for (const auto& response : kResponses) {
    if (strcmp(name, response.name) == 0) {
      return response.make;
    }
  }
  return nullptr;
}

bool MakeAndReleaseResponse(MakeValue make, int i) {
  g_autoptr(FlValue) value = make(i);
  g_autoptr(FlMethodResponse) response =
      FL_METHOD_RESPONSE(fl_method_success_response_new(value));
  return FL_IS_METHOD_SUCCESS_RESPONSE(response);
}

}  // namespace bench
}  // namespace quorvel
