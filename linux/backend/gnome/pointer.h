#ifndef QUORVEL_BACKEND_GNOME_POINTER_H_
#define QUORVEL_BACKEND_GNOME_POINTER_H_

#include <cstdint>
#include <vector>

#include "backend/gnome/display_config.h"
#include "backend/gnome/remote_desktop_session.h"

namespace quorvel {
namespace gnome {

// A point of the whole desktop on one monitor's stream.
struct StreamPoint {
  size_t monitor = 0;
  double x = 0;
  double y = 0;
};

// The monitor that contains (x, y), or else the nearest one, with the point
// clamped into it and turned into that stream's pixels. False without
// monitors.
bool MapToStream(const std::vector<Monitor>& monitors,
                 int32_t x,
                 int32_t y,
                 StreamPoint* point);

// Queues an absolute motion to (x, y); nothing without a monitor or stream.
void QueueMotion(RemoteDesktopSession* session,
                 const std::vector<Monitor>& monitors,
                 int32_t x,
                 int32_t y);
void QueueButton(RemoteDesktopSession* session, int32_t button, bool pressed);
// As many discrete vertical steps as the X11 backend sends notches: up for a
// positive delta, down otherwise.
void QueueWheel(RemoteDesktopSession* session, int32_t delta);

}  // namespace gnome
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_GNOME_POINTER_H_
