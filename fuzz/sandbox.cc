#include "fuzz/sandbox.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quorvel {
namespace fuzz {
namespace {

constexpr char kNoBus[] = "unix:path=/nonexistent/quorvel-no-system-bus";

std::string& StubDir() {
  static std::string dir;
  return dir;
}

void RemoveStubs() {
  const std::string& dir = StubDir();
  if (dir.empty()) {
    return;
  }
  g_unlink((dir + "/loginctl").c_str());
  g_unlink((dir + "/xdg-open").c_str());
  g_rmdir(dir.c_str());
}

// A link named `name` in `dir` to the program `target` found on PATH.
bool LinkStub(const std::string& dir, const char* name, const char* target) {
  g_autofree gchar* program = g_find_program_in_path(target);
  return program && symlink(program, (dir + "/" + name).c_str()) == 0;
}

}  // namespace

bool IsolateFromSession() {
  if (!StubDir().empty()) {
    return true;
  }
  g_autofree gchar* dir = g_dir_make_tmp("quorvel-stubs-XXXXXX", nullptr);
  if (!dir) {
    return false;
  }
  StubDir() = dir;
  atexit(RemoveStubs);
  // Locking fails over the bus and then falls back to loginctl, which must
  // fail too; opening a directory must start something harmless.
  if (!LinkStub(dir, "loginctl", "false") ||
      !LinkStub(dir, "xdg-open", "true")) {
    return false;
  }
  const char* path = getenv("PATH");
  std::string new_path =
      std::string(dir) + ":" + (path ? path : "/usr/bin:/bin");
  setenv("PATH", new_path.c_str(), 1);
  setenv("DBUS_SYSTEM_BUS_ADDRESS", kNoBus, 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  unsetenv("DISPLAY");
  return true;
}

}  // namespace fuzz
}  // namespace quorvel
