#include "support/command_stub.h"

#include <glib.h>
#include <sys/stat.h>

#include "support/scratch_dir.h"

namespace quorvel {
namespace testing {
namespace {

// Separates the fields of one run in the log. Arguments under test hold
// blanks and dashes, never this control character.
constexpr char kFieldSeparator = '\x1f';
constexpr int kWaitLimitMs = 30000;
constexpr int kPollIntervalMs = 10;

// Single-quotes `text` for /bin/sh.
std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

CommandStub::CommandStub(const std::string& dir, const std::string& name)
    : log_path_(dir + "/" + name + ".log"),
      status_path_(dir + "/" + name + ".status"),
      parents_path_(dir + "/" + name + ".parents") {
  // Only shell built-ins: PATH may hold nothing but the stub directory. The
  // whole record goes out in one write, so runs that overlap do not mix.
  std::string script =
      "#!/bin/sh\n"
      "record=\"${0##*/}\"\n"
      "for arg in \"$@\"; do record=\"$record\037$arg\"; done\n"
      "printf '%s\\n' \"$record\" >> " +
      ShellQuote(log_path_) +
      "\n"
      "printf '%s\\n' \"$PPID\" >> " +
      ShellQuote(parents_path_) +
      "\n"
      "status=0\n"
      "[ -r " +
      ShellQuote(status_path_) + " ] && read -r status < " +
      ShellQuote(status_path_) +
      "\n"
      "exit \"$status\"\n";
  std::string script_path = dir + "/" + name;
  // Without a directory of its own the stub could not shadow the command.
  ok_ = !dir.empty() && WriteFile(script_path, script) &&
        chmod(script_path.c_str(), 0755) == 0 && WriteFile(log_path_, "");
}

void CommandStub::SetExitStatus(int status) {
  WriteFile(status_path_, std::to_string(status) + "\n");
}

std::vector<std::vector<std::string>> CommandStub::Runs() const {
  std::vector<std::vector<std::string>> runs;
  std::string log = ReadFile(log_path_);
  size_t start = 0;
  size_t end;
  // A line without its newline is a run still being written.
  while ((end = log.find('\n', start)) != std::string::npos) {
    std::string line = log.substr(start, end - start);
    std::vector<std::string> fields;
    size_t field_start = 0;
    size_t field_end;
    while ((field_end = line.find(kFieldSeparator, field_start)) !=
           std::string::npos) {
      fields.push_back(line.substr(field_start, field_end - field_start));
      field_start = field_end + 1;
    }
    fields.push_back(line.substr(field_start));
    runs.push_back(fields);
    start = end + 1;
  }
  return runs;
}

bool CommandStub::WaitForRuns(size_t count) const {
  for (int waited = 0; waited < kWaitLimitMs; waited += kPollIntervalMs) {
    if (Runs().size() >= count) {
      return true;
    }
    g_usleep(static_cast<gulong>(kPollIntervalMs) * 1000);
  }
  return Runs().size() >= count;
}

std::vector<pid_t> CommandStub::ParentPids() const {
  std::vector<pid_t> parents;
  g_auto(GStrv) lines = g_strsplit(ReadFile(parents_path_).c_str(), "\n", -1);
  for (gchar** line = lines; *line; line++) {
    if (**line) {
      parents.push_back(
          static_cast<pid_t>(g_ascii_strtoll(*line, nullptr, 10)));
    }
  }
  return parents;
}

void CommandStub::ClearRuns() {
  WriteFile(log_path_, "");
  WriteFile(parents_path_, "");
}

}  // namespace testing
}  // namespace quorvel
