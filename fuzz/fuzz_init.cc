// Start-up shared by the fuzzers and by the corpus replay driver.

#include <glib.h>

#include <cstdio>
#include <cstdlib>

#include "fuzz/sandbox.h"

namespace {

// A critical is GLib's way of reporting a programming error (a failed
// g_return_if_fail); on this path it is as much a bug as a crash, so it ends
// the run where the fuzzer can see it. Warnings are expected (undecodable
// messages, a lock without a system bus) and would only flood the output.
GLogWriterOutput AbortOnCritical(GLogLevelFlags level,
                                 const GLogField* fields,
                                 gsize n_fields,
                                 gpointer /*user_data*/) {
  if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL)) != 0) {
    g_log_writer_standard_streams(level, fields, n_fields, nullptr);
    abort();
  }
  return G_LOG_WRITER_HANDLED;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  g_log_set_writer_func(AbortOnCritical, nullptr, nullptr);
  if (!quorvel::fuzz::IsolateFromSession()) {
    fprintf(stderr, "cannot isolate the plugin from the session\n");
    abort();
  }
  return 0;
}
