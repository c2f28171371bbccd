#include "support/glib_log_guard.h"

#include <gtest/gtest.h>

#include <mutex>

namespace quorvel {
namespace testing {
namespace {

std::mutex g_mutex;
LogCapture* g_capture = nullptr;

const char* LevelName(GLogLevelFlags level) {
  switch (level & G_LOG_LEVEL_MASK) {
    case G_LOG_LEVEL_ERROR:
      return "ERROR";
    case G_LOG_LEVEL_CRITICAL:
      return "CRITICAL";
    case G_LOG_LEVEL_WARNING:
      return "WARNING";
    case G_LOG_LEVEL_MESSAGE:
      return "MESSAGE";
    case G_LOG_LEVEL_INFO:
      return "INFO";
    default:
      return "DEBUG";
  }
}

GLogWriterOutput Writer(GLogLevelFlags level,
                        const GLogField* fields,
                        gsize n_fields,
                        gpointer /*user_data*/) {
  LogRecord record{"", static_cast<GLogLevelFlags>(level & G_LOG_LEVEL_MASK),
                   ""};
  for (gsize i = 0; i < n_fields; i++) {
    const char* value = static_cast<const char*>(fields[i].value);
    if (!value) {
      continue;
    }
    std::string text = fields[i].length < 0
                           ? std::string(value)
                           : std::string(value, fields[i].length);
    if (g_strcmp0(fields[i].key, "MESSAGE") == 0) {
      record.message = text;
    } else if (g_strcmp0(fields[i].key, "GLIB_DOMAIN") == 0) {
      record.domain = text;
    }
  }
  bool serious = (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL |
                           G_LOG_LEVEL_WARNING)) != 0;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_capture) {
      RecordLog(record);
      return G_LOG_WRITER_HANDLED;
    }
  }
  if (serious) {
    ADD_FAILURE() << "unexpected GLib " << LevelName(level) << " ["
                  << record.domain << "]: " << record.message;
    return G_LOG_WRITER_HANDLED;
  }
  return g_log_writer_default(level, fields, n_fields, nullptr);
}

}  // namespace

void RecordLog(const LogRecord& record) {
  g_capture->records_.push_back(record);
}

LogCapture::LogCapture() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_capture = this;
}

LogCapture::~LogCapture() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_capture = nullptr;
}

std::vector<std::string> LogCapture::Messages(GLogLevelFlags level) const {
  std::vector<std::string> out;
  for (const LogRecord& r : records_) {
    if (r.level == level && r.domain.empty()) {
      out.push_back(r.message);
    }
  }
  return out;
}

void InstallGLibLogGuard() {
  // Criticals must not abort: the guard reports them as test failures.
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK));
  g_log_set_writer_func(Writer, nullptr, nullptr);
}

}  // namespace testing
}  // namespace quorvel
