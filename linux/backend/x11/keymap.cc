#include "backend/x11/keymap.h"

namespace quorvel {
namespace x11 {

Keymap::~Keymap() = default;

void Keymap::Attach(Display* display) {
  display_ = display;
}

void Keymap::Detach() {
  display_ = nullptr;
}

void Keymap::OnEvent(const XEvent& /*event*/) {}

KeyCode Keymap::KeycodeFor(KeySym keysym) {
  return display_ ? XKeysymToKeycode(display_, keysym) : 0;
}

void Keymap::RestoreSpares() {}

}  // namespace x11
}  // namespace quorvel
