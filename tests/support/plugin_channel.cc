#include "support/plugin_channel.h"

#include <gtest/gtest.h>

#include <quorvel_remote_desktop_events_linux/quorvel_remote_desktop_events_plugin.h>

namespace quorvel {
namespace testing {

PluginChannel::PluginChannel()
    : engine_(host_engine_new()),
      codec_(FL_METHOD_CODEC(fl_standard_method_codec_new())) {
  quorvel_remote_desktop_events_plugin_register_with_registrar(
      host_engine_get_registrar(engine_));
}

PluginChannel::~PluginChannel() {
  host_engine_shutdown(engine_);
  g_object_unref(engine_);
  g_object_unref(codec_);
}

GBytes* PluginChannel::SendRaw(GBytes* message) {
  return host_engine_send(engine_, kChannelName, message);
}

Reply PluginChannel::Invoke(const std::string& method, FlValue* args) {
  g_autoptr(FlValue) owned_args = args;
  Reply reply;
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) message =
      FL_METHOD_CODEC_GET_CLASS(codec_)->encode_method_call(
          codec_, method.c_str(), owned_args, &error);
  if (message == nullptr) {
    ADD_FAILURE() << "cannot encode " << method << ": " << error->message;
    return reply;
  }

  g_autoptr(GBytes) raw = SendRaw(message);
  if (raw == nullptr) {
    return reply;
  }
  gsize size = 0;
  const uint8_t* data =
      static_cast<const uint8_t*>(g_bytes_get_data(raw, &size));
  reply.bytes.assign(data, data + size);
  if (size == 0) {
    reply.kind = Reply::kNotImplemented;
    return reply;
  }

  g_autoptr(FlMethodResponse) response =
      FL_METHOD_CODEC_GET_CLASS(codec_)->decode_response(codec_, raw, &error);
  if (response == nullptr) {
    ADD_FAILURE() << "undecodable reply to " << method << ": "
                  << error->message;
    return reply;
  }
  if (FL_IS_METHOD_SUCCESS_RESPONSE(response)) {
    reply.kind = Reply::kSuccess;
    FlValue* result = fl_method_success_response_get_result(
        FL_METHOD_SUCCESS_RESPONSE(response));
    reply.result.reset(result != nullptr ? fl_value_ref(result)
                                         : fl_value_new_null());
  } else {
    FlMethodErrorResponse* error_response = FL_METHOD_ERROR_RESPONSE(response);
    reply.kind = Reply::kError;
    reply.code = fl_method_error_response_get_code(error_response);
    const gchar* text = fl_method_error_response_get_message(error_response);
    reply.message = text != nullptr ? text : "";
    FlValue* details = fl_method_error_response_get_details(error_response);
    if (details != nullptr) {
      reply.details.reset(fl_value_ref(details));
    }
  }
  return reply;
}

void PluginChannel::Shutdown() {
  host_engine_shutdown(engine_);
}

FlValue* Args(std::initializer_list<std::pair<const char*, FlValue*>> entries) {
  FlValue* map = fl_value_new_map();
  for (const auto& [key, value] : entries) {
    fl_value_set_string_take(map, key, value);
  }
  return map;
}

}  // namespace testing
}  // namespace quorvel
