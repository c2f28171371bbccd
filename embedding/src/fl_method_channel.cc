#include "flutter_linux/fl_method_channel.h"

#include "fl_method_call_private.h"
#include "fl_method_channel_private.h"
#include "fl_method_codec_private.h"

struct _FlMethodChannel {
  GObject parent_instance;

  FlBinaryMessenger* messenger;
  gchar* name;
  FlMethodCodec* codec;

  // Set once the messenger has dropped this channel: the engine shut down
  // or another channel took over the name.
  gboolean channel_closed;

  FlMethodChannelMethodCallHandler method_call_handler;
  gpointer method_call_handler_data;
  GDestroyNotify method_call_handler_destroy_notify;
};

G_DEFINE_TYPE(FlMethodChannel, fl_method_channel, G_TYPE_OBJECT)

// Forgets the handler before running its destroy notification, so the
// notification may install a new one.
static void clear_method_call_handler(FlMethodChannel* self) {
  GDestroyNotify notify = self->method_call_handler_destroy_notify;
  gpointer data = self->method_call_handler_data;
  self->method_call_handler = nullptr;
  self->method_call_handler_data = nullptr;
  self->method_call_handler_destroy_notify = nullptr;
  if (notify != nullptr) {
    notify(data);
  }
}

static void message_cb(FlBinaryMessenger* messenger,
                       const gchar* channel,
                       GBytes* message,
                       FlBinaryMessengerResponseHandle* response_handle,
                       gpointer user_data) {
  FlMethodChannel* self = FL_METHOD_CHANNEL(user_data);
  // Without a handler the call stays unanswered, as in the engine.
  if (self->method_call_handler == nullptr) {
    return;
  }

  g_autofree gchar* name = nullptr;
  g_autoptr(FlValue) args = nullptr;
  g_autoptr(GError) error = nullptr;
  if (!fl_method_codec_decode_method_call(self->codec, message, &name, &args,
                                          &error)) {
    g_warning("Failed to decode method call on channel %s: %s", channel,
              error->message);
    // The engine leaves such a call unanswered and the Dart future pending
    // forever; an empty reply makes the caller fail fast instead.
    fl_binary_messenger_send_response(messenger, response_handle, nullptr,
                                      nullptr);
    return;
  }

  g_autoptr(FlMethodCall) method_call =
      fl_method_call_new(name, args, self, response_handle);
  self->method_call_handler(self, method_call, self->method_call_handler_data);
}

// The messenger's destroy notification for this channel's registration.
static void channel_closed_cb(gpointer user_data) {
  FlMethodChannel* self = FL_METHOD_CHANNEL(user_data);
  self->channel_closed = TRUE;
  clear_method_call_handler(self);
  g_object_unref(self);
}

static void fl_method_channel_dispose(GObject* object) {
  FlMethodChannel* self = FL_METHOD_CHANNEL(object);
  // Only reached while registered when someone forces a dispose.
  if (self->messenger != nullptr && !self->channel_closed) {
    fl_binary_messenger_set_message_handler_on_channel(
        self->messenger, self->name, nullptr, nullptr, nullptr);
  }
  clear_method_call_handler(self);
  g_clear_object(&self->messenger);
  g_clear_pointer(&self->name, g_free);
  g_clear_object(&self->codec);
  G_OBJECT_CLASS(fl_method_channel_parent_class)->dispose(object);
}

static void fl_method_channel_class_init(FlMethodChannelClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = fl_method_channel_dispose;
}

static void fl_method_channel_init(FlMethodChannel*) {}

FlMethodChannel* fl_method_channel_new(FlBinaryMessenger* messenger,
                                       const gchar* name,
                                       FlMethodCodec* codec) {
  g_return_val_if_fail(FL_IS_BINARY_MESSENGER(messenger), nullptr);
  g_return_val_if_fail(name != nullptr, nullptr);
  g_return_val_if_fail(FL_IS_METHOD_CODEC(codec), nullptr);

  FlMethodChannel* self =
      FL_METHOD_CHANNEL(g_object_new(fl_method_channel_get_type(), nullptr));
  self->messenger = FL_BINARY_MESSENGER(g_object_ref(messenger));
  self->name = g_strdup(name);
  self->codec = FL_METHOD_CODEC(g_object_ref(codec));
  // The registration's reference keeps the channel alive for the engine.
  fl_binary_messenger_set_message_handler_on_channel(
      self->messenger, self->name, message_cb, g_object_ref(self),
      channel_closed_cb);
  return self;
}

void fl_method_channel_set_method_call_handler(
    FlMethodChannel* self,
    FlMethodChannelMethodCallHandler handler,
    gpointer user_data,
    GDestroyNotify destroy_notify) {
  g_return_if_fail(FL_IS_METHOD_CHANNEL(self));

  if (self->channel_closed) {
    if (handler != nullptr) {
      g_warning(
          "Attempted to set method call handler on a closed FlMethodChannel");
    }
    if (destroy_notify != nullptr) {
      destroy_notify(user_data);
    }
    return;
  }

  clear_method_call_handler(self);
  self->method_call_handler = handler;
  self->method_call_handler_data = user_data;
  self->method_call_handler_destroy_notify = destroy_notify;
}

// Completes the task of fl_method_channel_invoke_method with the
// messenger's result, to be finished in fl_method_channel_invoke_method_finish.
static void invoke_method_cb(GObject*,
                             GAsyncResult* result,
                             gpointer user_data) {
  g_autoptr(GTask) task = G_TASK(user_data);
  g_task_return_pointer(task, g_object_ref(result), g_object_unref);
}

void fl_method_channel_invoke_method(FlMethodChannel* self,
                                     const gchar* method,
                                     FlValue* args,
                                     GCancellable* cancellable,
                                     GAsyncReadyCallback callback,
                                     gpointer user_data) {
  g_return_if_fail(FL_IS_METHOD_CHANNEL(self));
  g_return_if_fail(method != nullptr);

  g_autoptr(GTask) task =
      callback != nullptr ? g_task_new(self, cancellable, callback, user_data)
                          : nullptr;
  g_autoptr(GError) error = nullptr;
  g_autoptr(GBytes) message =
      fl_method_codec_encode_method_call(self->codec, method, args, &error);
  if (message == nullptr) {
    if (task != nullptr) {
      g_task_return_error(task, static_cast<GError*>(g_steal_pointer(&error)));
    }
    return;
  }
  // Decided before the task is stolen: argument order is unspecified.
  GAsyncReadyCallback message_callback =
      task != nullptr ? invoke_method_cb : nullptr;
  fl_binary_messenger_send_on_channel(self->messenger, self->name, message,
                                      cancellable, message_callback,
                                      g_steal_pointer(&task));
}

FlMethodResponse* fl_method_channel_invoke_method_finish(FlMethodChannel* self,
                                                         GAsyncResult* result,
                                                         GError** error) {
  g_return_val_if_fail(FL_IS_METHOD_CHANNEL(self), nullptr);
  g_return_val_if_fail(g_task_is_valid(result, self), nullptr);

  g_autoptr(GAsyncResult) message_result = static_cast<GAsyncResult*>(
      g_task_propagate_pointer(G_TASK(result), error));
  if (message_result == nullptr) {
    return nullptr;
  }
  g_autoptr(GBytes) response = fl_binary_messenger_send_on_channel_finish(
      self->messenger, message_result, error);
  if (response == nullptr) {
    return nullptr;
  }
  return fl_method_codec_decode_response(self->codec, response, error);
}

gboolean fl_method_channel_respond(
    FlMethodChannel* self,
    FlBinaryMessengerResponseHandle* response_handle,
    FlMethodResponse* response,
    GError** error) {
  g_return_val_if_fail(FL_IS_METHOD_CHANNEL(self), FALSE);
  g_return_val_if_fail(FL_IS_METHOD_RESPONSE(response), FALSE);

  g_autoptr(GBytes) message = nullptr;
  if (FL_IS_METHOD_SUCCESS_RESPONSE(response)) {
    message = fl_method_codec_encode_success_envelope(
        self->codec,
        fl_method_success_response_get_result(
            FL_METHOD_SUCCESS_RESPONSE(response)),
        error);
  } else if (FL_IS_METHOD_ERROR_RESPONSE(response)) {
    FlMethodErrorResponse* error_response = FL_METHOD_ERROR_RESPONSE(response);
    message = fl_method_codec_encode_error_envelope(
        self->codec, fl_method_error_response_get_code(error_response),
        fl_method_error_response_get_message(error_response),
        fl_method_error_response_get_details(error_response), error);
  } else if (FL_IS_METHOD_NOT_IMPLEMENTED_RESPONSE(response)) {
    // Zero bytes is how the engine says "no such method".
    return fl_binary_messenger_send_response(self->messenger, response_handle,
                                             nullptr, error);
  } else {
    g_set_error(error, FL_METHOD_RESPONSE_ERROR,
                FL_METHOD_RESPONSE_ERROR_FAILED, "Unknown response type");
    return FALSE;
  }
  if (message == nullptr) {
    return FALSE;
  }
  return fl_binary_messenger_send_response(self->messenger, response_handle,
                                           message, error);
}
