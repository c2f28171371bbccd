// Prints "dark" or "light", the answer of IsDarkTheme in this process's
// environment. Exits 0, or 3 when GLib logged a warning or a critical on the
// way (written to stderr, so stdout holds the answer alone); a GSettings
// abort shows as a signal.

#include <glib.h>

#include <cstdio>

#include "backend/common/desktop.h"

namespace {

int g_complaints = 0;

GLogWriterOutput CountComplaints(GLogLevelFlags level,
                                 const GLogField* fields,
                                 gsize n_fields,
                                 gpointer /*user_data*/) {
  if (!(level &
        (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING))) {
    return G_LOG_WRITER_HANDLED;
  }
  g_complaints++;
  g_autofree gchar* line =
      g_log_writer_format_fields(level, fields, n_fields, FALSE);
  fprintf(stderr, "%s\n", line);
  return G_LOG_WRITER_HANDLED;
}

}  // namespace

int main() {
  g_log_set_writer_func(CountComplaints, nullptr, nullptr);
  bool dark = quorvel::common::IsDarkTheme();
  printf("%s\n", dark ? "dark" : "light");
  return g_complaints > 0 ? 3 : 0;
}
