#include "driver_run.h"

#include <glib.h>
#include <sys/wait.h>

namespace quorvel {
namespace testing {
namespace {

DriverRun Spawn(const std::vector<std::string>& argv,
                const std::vector<EnvChange>& env,
                const std::string& dir) {
  gchar** envp = g_get_environ();
  for (const EnvChange& change : env) {
    envp = change.second ? g_environ_setenv(envp, change.first.c_str(),
                                            change.second->c_str(), TRUE)
                         : g_environ_unsetenv(envp, change.first.c_str());
  }
  std::vector<gchar*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) {
    args.push_back(const_cast<gchar*>(arg.c_str()));
  }
  args.push_back(nullptr);

  DriverRun run;
  g_autofree gchar* out = nullptr;
  g_autofree gchar* err = nullptr;
  gint wait_status = 0;
  g_autoptr(GError) error = nullptr;
  const gboolean spawned =
      g_spawn_sync(dir.c_str(), args.data(), envp, G_SPAWN_DEFAULT, nullptr,
                   nullptr, &out, &err, &wait_status, &error);
  g_strfreev(envp);
  if (!spawned) {
    run.err = error->message;
    return run;
  }
  run.out = out;
  run.err = err;
  if (WIFEXITED(wait_status)) {
    run.exit_status = WEXITSTATUS(wait_status);
  }
  g_auto(GStrv) lines = g_strsplit(out, "\n", -1);
  for (gchar** line = lines; *line != nullptr; ++line) {
    if (**line != '\0') {
      run.lines.emplace_back(*line);
    }
  }
  return run;
}

}  // namespace

DriverRun RunDriver(const std::vector<std::string>& args,
                    const std::vector<EnvChange>& env,
                    const std::string& dir) {
  std::vector<std::string> argv = {QUORVEL_DRIVER_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  return Spawn(argv, env, dir);
}

DriverRun RunDriverWithInput(const std::vector<std::string>& args,
                             const std::vector<EnvChange>& env,
                             const std::string& dir,
                             const std::string& input_file) {
  // sh -c 'exec "$@" < FILE' sh DRIVER ARGS...
  std::vector<std::string> argv = {
      "/bin/sh", "-c",       "input=$1; shift; exec \"$@\" < \"$input\"",
      "sh",      input_file, QUORVEL_DRIVER_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  return Spawn(argv, env, dir);
}

}  // namespace testing
}  // namespace quorvel
