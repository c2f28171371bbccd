#include "backend/wlroots/keyboard.h"

#include <algorithm>
#include <utility>

namespace quorvel {
namespace wlroots {
namespace {

// Typing and keys use the keymap's first layout: a client of ours never
// has focus, so it never learns which group the user's keyboard is in.
constexpr xkb_layout_index_t kLayout = 0;

}  // namespace

Keyboard::Keyboard(Connection* connection, std::unique_ptr<TypingKeymap> keymap)
    : device_(connection), keymap_(std::move(keymap)) {
  ResetState();
  SendKeymap(true);
}

Keyboard::~Keyboard() {
  xkb_state_unref(state_);
}

void Keyboard::Rebase(std::unique_ptr<TypingKeymap> keymap) {
  keymap_ = std::move(keymap);
  ResetState();
  // Keys still down stay down in the new state too.
  for (xkb_keycode_t keycode : down_) {
    xkb_state_update_key(state_, keycode, XKB_KEY_DOWN);
  }
}

void Keyboard::SendKeymap(bool always) {
  const std::string& text = keymap_->text();
  if (!always && text == sent_keymap_) {
    return;
  }
  if (device_.SetKeymap(text)) {
    sent_keymap_ = text;
    // A new keymap starts with no modifiers in clients; say what is held.
    sent_mods_[0] = sent_mods_[1] = sent_mods_[2] = ~0u;
    RestoreModifiers();
  }
}

xkb_keycode_t Keyboard::KeyFor(xkb_keysym_t keysym) const {
  return keymap_->index().KeycodeFor(keysym, kLayout);
}

void Keyboard::SendKey(xkb_keycode_t keycode, bool pressed) {
  TypeKey(keycode, pressed);
  RestoreModifiers();
}

void Keyboard::TypeKey(xkb_keycode_t keycode, bool pressed) {
  device_.Key(keycode, pressed);
  Track(keycode, pressed);
}

void Keyboard::Track(xkb_keycode_t keycode, bool pressed) {
  xkb_state_update_key(state_, keycode, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
  if (pressed) {
    down_.push_back(keycode);
    return;
  }
  auto it = std::find(down_.begin(), down_.end(), keycode);
  if (it != down_.end()) {
    down_.erase(it);
  }
}

bool Keyboard::ChordFor(xkb_keysym_t keysym, common::XkbKeyLevel* chord) {
  if (keymap_->index().LevelFor(keysym, kLayout, chord)) {
    return true;
  }
  xkb_keycode_t keycode = 0;
  if (!keymap_->TakeSpare(keysym, down_, &keycode)) {
    return false;
  }
  SendKeymap(false);
  chord->key = keycode;
  chord->mods = 0;
  return true;
}

void Keyboard::SendTypingModifiers(xkb_mod_mask_t mods) {
  SendModifiers(mods, 0, 0);
}

void Keyboard::RestoreModifiers() {
  SendModifiers(xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
                xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
                xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED));
}

void Keyboard::ReleaseAll() {
  while (!down_.empty()) {
    SendKey(down_.back(), false);
  }
}

void Keyboard::SendModifiers(xkb_mod_mask_t depressed,
                             xkb_mod_mask_t latched,
                             xkb_mod_mask_t locked) {
  if (depressed == sent_mods_[0] && latched == sent_mods_[1] &&
      locked == sent_mods_[2]) {
    return;
  }
  device_.Modifiers(depressed, latched, locked, kLayout);
  sent_mods_[0] = depressed;
  sent_mods_[1] = latched;
  sent_mods_[2] = locked;
}

void Keyboard::ResetState() {
  if (state_) {
    xkb_state_unref(state_);
  }
  state_ = xkb_state_new(keymap_->index().keymap());
}

}  // namespace wlroots
}  // namespace quorvel
