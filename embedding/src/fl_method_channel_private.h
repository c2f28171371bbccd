#ifndef FLUTTER_LINUX_FL_METHOD_CHANNEL_PRIVATE_H_
#define FLUTTER_LINUX_FL_METHOD_CHANNEL_PRIVATE_H_

#include "flutter_linux/fl_binary_messenger.h"
#include "flutter_linux/fl_method_channel.h"
#include "flutter_linux/fl_method_response.h"

G_BEGIN_DECLS

// Encodes `response` with the channel's codec and sends it; a
// not-implemented response goes out as an empty reply.
gboolean fl_method_channel_respond(
    FlMethodChannel* channel,
    FlBinaryMessengerResponseHandle* response_handle,
    FlMethodResponse* response,
    GError** error);

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_METHOD_CHANNEL_PRIVATE_H_
