#include "host_messenger.h"

// The token for one delivered message. host_messenger_deliver waits on it
// only while the handler runs; a reply that comes later has nobody to go to.
G_DECLARE_FINAL_TYPE(HostResponseHandle,
                     host_response_handle,
                     HOST,
                     RESPONSE_HANDLE,
                     FlBinaryMessengerResponseHandle)

struct _HostResponseHandle {
  FlBinaryMessengerResponseHandle parent_instance;

  HostMessenger* messenger;
  gboolean responded;
  gboolean waiting;  // host_messenger_deliver is still in the handler
  GBytes* reply;
};

struct _HostMessenger {
  GObject parent_instance;

  GHashTable* handlers;  // channel name -> Handler
  gboolean shut_down;
};

namespace {

struct Handler {
  FlBinaryMessengerMessageHandler function;
  gpointer user_data;
  GDestroyNotify destroy_notify;
};

void FreeHandler(gpointer data) {
  Handler* handler = static_cast<Handler*>(data);
  if (handler->destroy_notify != nullptr) {
    handler->destroy_notify(handler->user_data);
  }
  g_free(handler);
}

GHashTable* NewHandlerTable() {
  return g_hash_table_new_full(g_str_hash, g_str_equal, g_free, FreeHandler);
}

}  // namespace

G_DEFINE_TYPE(HostResponseHandle,
              host_response_handle,
              fl_binary_messenger_response_handle_get_type())

static void host_response_handle_dispose(GObject* object) {
  HostResponseHandle* self = HOST_RESPONSE_HANDLE(object);
  if (!self->responded && self->messenger != nullptr &&
      !self->messenger->shut_down) {
    g_critical("FlBinaryMessengerResponseHandle was not responded to");
  }
  g_clear_object(&self->messenger);
  g_clear_pointer(&self->reply, g_bytes_unref);
  G_OBJECT_CLASS(host_response_handle_parent_class)->dispose(object);
}

static void host_response_handle_class_init(HostResponseHandleClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = host_response_handle_dispose;
}

static void host_response_handle_init(HostResponseHandle*) {}

static void host_messenger_iface_init(FlBinaryMessengerInterface* iface);

G_DEFINE_TYPE_WITH_CODE(HostMessenger,
                        host_messenger,
                        G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(fl_binary_messenger_get_type(),
                                              host_messenger_iface_init))

static void set_message_handler_on_channel(
    FlBinaryMessenger* messenger,
    const gchar* channel,
    FlBinaryMessengerMessageHandler handler,
    gpointer user_data,
    GDestroyNotify destroy_notify) {
  HostMessenger* self = HOST_MESSENGER(messenger);
  if (self->shut_down) {
    if (handler != nullptr) {
      g_warning(
          "Attempted to set message handler on an FlBinaryMessenger without "
          "an engine");
    }
    if (destroy_notify != nullptr) {
      destroy_notify(user_data);
    }
    return;
  }

  // The old handler's notification runs last, once the table is consistent
  // again, because it may come back into the messenger.
  gpointer old_key = nullptr;
  gpointer old_handler = nullptr;
  g_hash_table_steal_extended(self->handlers, channel, &old_key, &old_handler);
  if (handler != nullptr) {
    Handler* entry = g_new0(Handler, 1);
    entry->function = handler;
    entry->user_data = user_data;
    entry->destroy_notify = destroy_notify;
    g_hash_table_insert(self->handlers, g_strdup(channel), entry);
  }
  g_free(old_key);
  if (old_handler != nullptr) {
    FreeHandler(old_handler);
  }
}

static gboolean send_response(FlBinaryMessenger* messenger,
                              FlBinaryMessengerResponseHandle* response_handle,
                              GBytes* response,
                              GError**) {
  HostMessenger* self = HOST_MESSENGER(messenger);
  g_return_val_if_fail(HOST_IS_RESPONSE_HANDLE(response_handle), FALSE);
  HostResponseHandle* handle = HOST_RESPONSE_HANDLE(response_handle);
  g_return_val_if_fail(handle->messenger == self, FALSE);
  // Answering twice is a programming error, as in the engine.
  g_return_val_if_fail(!handle->responded, FALSE);

  handle->responded = TRUE;
  if (self->shut_down) {
    return TRUE;
  }
  if (!handle->waiting) {
    g_debug("Dropped a reply that arrived after its message was delivered");
    return TRUE;
  }
  handle->reply =
      response != nullptr ? g_bytes_ref(response) : g_bytes_new(nullptr, 0);
  return TRUE;
}

// There is no Dart side: every message sent to it gets the empty reply the
// engine gives for a channel without a handler.
static void send_on_channel(FlBinaryMessenger* messenger,
                            const gchar*,
                            GBytes*,
                            GCancellable* cancellable,
                            GAsyncReadyCallback callback,
                            gpointer user_data) {
  if (callback == nullptr) {
    return;
  }
  g_autoptr(GTask) task =
      g_task_new(messenger, cancellable, callback, user_data);
  g_task_return_pointer(task, g_bytes_new(nullptr, 0),
                        reinterpret_cast<GDestroyNotify>(g_bytes_unref));
}

static GBytes* send_on_channel_finish(FlBinaryMessenger* messenger,
                                      GAsyncResult* result,
                                      GError** error) {
  g_return_val_if_fail(g_task_is_valid(result, messenger), nullptr);
  return static_cast<GBytes*>(g_task_propagate_pointer(G_TASK(result), error));
}

static void resize_channel(FlBinaryMessenger*, const gchar*, int64_t) {}

static void set_warns_on_channel_overflow(FlBinaryMessenger*,
                                          const gchar*,
                                          bool) {}

static void host_messenger_iface_init(FlBinaryMessengerInterface* iface) {
  iface->set_message_handler_on_channel = set_message_handler_on_channel;
  iface->send_response = send_response;
  iface->send_on_channel = send_on_channel;
  iface->send_on_channel_finish = send_on_channel_finish;
  iface->resize_channel = resize_channel;
  iface->set_warns_on_channel_overflow = set_warns_on_channel_overflow;
}

static void host_messenger_dispose(GObject* object) {
  HostMessenger* self = HOST_MESSENGER(object);
  host_messenger_shutdown(self);
  g_clear_pointer(&self->handlers, g_hash_table_unref);
  G_OBJECT_CLASS(host_messenger_parent_class)->dispose(object);
}

static void host_messenger_class_init(HostMessengerClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = host_messenger_dispose;
}

static void host_messenger_init(HostMessenger* self) {
  self->handlers = NewHandlerTable();
}

HostMessenger* host_messenger_new(void) {
  return HOST_MESSENGER(g_object_new(host_messenger_get_type(), nullptr));
}

GBytes* host_messenger_deliver(HostMessenger* self,
                               const gchar* channel,
                               GBytes* message) {
  g_return_val_if_fail(HOST_IS_MESSENGER(self), nullptr);
  g_return_val_if_fail(channel != nullptr, nullptr);
  g_return_val_if_fail(message != nullptr, nullptr);

  Handler* handler =
      self->shut_down
          ? nullptr
          : static_cast<Handler*>(g_hash_table_lookup(self->handlers, channel));
  if (handler == nullptr) {
    return g_bytes_new(nullptr, 0);
  }

  g_autoptr(HostResponseHandle) handle = HOST_RESPONSE_HANDLE(
      g_object_new(host_response_handle_get_type(), nullptr));
  handle->messenger = HOST_MESSENGER(g_object_ref(self));
  handle->waiting = TRUE;
  handler->function(FL_BINARY_MESSENGER(self), channel, message,
                    FL_BINARY_MESSENGER_RESPONSE_HANDLE(handle),
                    handler->user_data);
  handle->waiting = FALSE;
  return static_cast<GBytes*>(g_steal_pointer(&handle->reply));
}

void host_messenger_shutdown(HostMessenger* self) {
  g_return_if_fail(HOST_IS_MESSENGER(self));
  if (self->shut_down) {
    return;
  }
  self->shut_down = TRUE;
  // Swapped out first: the notifications may call back into the messenger.
  GHashTable* handlers = self->handlers;
  self->handlers = NewHandlerTable();
  g_hash_table_unref(handlers);
}
