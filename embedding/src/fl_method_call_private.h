#ifndef FLUTTER_LINUX_FL_METHOD_CALL_PRIVATE_H_
#define FLUTTER_LINUX_FL_METHOD_CALL_PRIVATE_H_

#include "flutter_linux/fl_binary_messenger.h"
#include "flutter_linux/fl_method_call.h"
#include "flutter_linux/fl_method_channel.h"

G_BEGIN_DECLS

// A call that arrived on `channel`; responding answers `response_handle`.
FlMethodCall* fl_method_call_new(
    const gchar* name,
    FlValue* args,
    FlMethodChannel* channel,
    FlBinaryMessengerResponseHandle* response_handle);

G_END_DECLS

#endif  // FLUTTER_LINUX_FL_METHOD_CALL_PRIVATE_H_
