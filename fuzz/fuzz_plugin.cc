#include "fuzz/fuzz_plugin.h"

#include <flutter_linux/flutter_linux.h>
#include <flutter_linux_host/host_engine.h>
#include <quorvel_remote_desktop_events_linux/quorvel_remote_desktop_events_plugin.h>

#include <cstdio>
#include <cstdlib>

#include "fuzz/sandbox.h"

namespace quorvel {
namespace fuzz {
namespace {

constexpr char kChannelName[] = "quorvel_remote_desktop_events";

// One registration for the whole run, as in an app: state the plugin keeps
// between calls is part of what is being exercised.
HostEngine* Engine() {
  static HostEngine* engine = [] {
    if (!IsolateFromSession()) {
      fprintf(stderr, "cannot isolate the plugin from the session\n");
      abort();
    }
    HostEngine* new_engine = host_engine_new();
    quorvel_remote_desktop_events_plugin_register_with_registrar(
        host_engine_get_registrar(new_engine));
    return new_engine;
  }();
  return engine;
}

FlMethodCodec* Codec() {
  static FlMethodCodec* codec = FL_METHOD_CODEC(fl_standard_method_codec_new());
  return codec;
}

// An empty reply is what the channel gives a message it cannot decode (and
// a not-implemented method); anything else must decode as a response.
void CheckReply(GBytes* reply) {
  if (reply == nullptr) {
    fprintf(stderr, "the message was not answered\n");
    abort();
  }
  if (g_bytes_get_size(reply) == 0) {
    return;
  }
  g_autoptr(GError) error = nullptr;
  g_autoptr(FlMethodResponse) response =
      FL_METHOD_CODEC_GET_CLASS(Codec())->decode_response(Codec(), reply,
                                                          &error);
  if (response == nullptr) {
    fprintf(stderr, "malformed reply: %s\n", error->message);
    abort();
  }
}

}  // namespace

size_t DeliverToPlugin(const uint8_t* data, size_t size) {
  g_autoptr(GBytes) message = g_bytes_new(data, size);
  g_autoptr(GBytes) reply = host_engine_send(Engine(), kChannelName, message);
  CheckReply(reply);
  return g_bytes_get_size(reply);
}

}  // namespace fuzz
}  // namespace quorvel
