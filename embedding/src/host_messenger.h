#ifndef FLUTTER_LINUX_HOST_HOST_MESSENGER_H_
#define FLUTTER_LINUX_HOST_HOST_MESSENGER_H_

#include <flutter_linux/flutter_linux.h>

G_BEGIN_DECLS

// The host engine's FlBinaryMessenger: one handler per channel, messages
// delivered synchronously.
G_DECLARE_FINAL_TYPE(HostMessenger, host_messenger, HOST, MESSENGER, GObject)

HostMessenger* host_messenger_new(void);

// Calls the handler on `channel` and returns its reply: empty for no
// handler or an empty response, NULL when the handler did not respond
// before returning.
GBytes* host_messenger_deliver(HostMessenger* messenger,
                               const gchar* channel,
                               GBytes* message);

// Drops every handler (running its destroy notification) and refuses new
// ones from then on.
void host_messenger_shutdown(HostMessenger* messenger);

G_END_DECLS

#endif  // FLUTTER_LINUX_HOST_HOST_MESSENGER_H_
