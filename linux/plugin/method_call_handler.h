#ifndef QUORVEL_PLUGIN_METHOD_CALL_HANDLER_H_
#define QUORVEL_PLUGIN_METHOD_CALL_HANDLER_H_

#include <flutter_linux/flutter_linux.h>

#include <string>

#include "backend/backend.h"

namespace quorvel {

// Serves one call of the "quorvel_remote_desktop_events" channel: reads the
// arguments, calls at most one backend operation and builds the reply
// (transfer full). Unknown names get a not-implemented reply.
FlMethodResponse* HandleMethodCall(Backend& backend,
                                   const gchar* method,
                                   FlValue* args);

// The reply for every call that reaches a disposed plugin.
FlMethodResponse* BackendDisposedResponse();

}  // namespace quorvel

#endif  // QUORVEL_PLUGIN_METHOD_CALL_HANDLER_H_
