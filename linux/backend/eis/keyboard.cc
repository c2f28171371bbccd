#include "backend/eis/keyboard.h"

#include <sys/mman.h>

#include <cstring>

#include "backend/common/italian_keys.h"

namespace quorvel {
namespace eis {
namespace {

// XKB numbers keys from 8 upwards: evdev code + 8.
constexpr uint32_t kXkbOffset = 8;

uint32_t Evdev(xkb_keycode_t key) {
  return key >= kXkbOffset ? key - kXkbOffset : 0;
}

KeyChord ToEvdev(const common::XkbChord& chord) {
  KeyChord keys;
  keys.key = Evdev(chord.key);
  for (xkb_keycode_t modifier : chord.modifiers) {
    keys.modifiers.push_back(Evdev(modifier));
  }
  return keys;
}

}  // namespace

Keyboard::Keyboard() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

Keyboard::~Keyboard() {
  Clear();
  xkb_context_unref(context_);
}

bool Keyboard::Load(int fd, size_t size) {
  Clear();
  if (fd < 0 || size == 0) {
    return false;
  }
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) {
    return false;
  }
  // The text may end with a NUL, counted in the size.
  const char* text = static_cast<const char*>(map);
  const bool loaded = LoadText(std::string(text, strnlen(text, size)));
  munmap(map, size);
  return loaded;
}

bool Keyboard::LoadText(const std::string& text) {
  Clear();
  if (!context_) {
    return false;
  }
  xkb_keymap* keymap = xkb_keymap_new_from_buffer(
      context_, text.data(), text.size(), XKB_KEYMAP_FORMAT_TEXT_V1,
      XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (!keymap) {
    return false;
  }
  index_ = std::make_unique<common::XkbKeyIndex>(keymap);
  state_ = xkb_state_new(keymap);
  xkb_keymap_unref(keymap);
  xkb_state_update_mask(state_, 0, 0, 0, 0, 0, layout_);
  return true;
}

void Keyboard::Clear() {
  if (state_) {
    xkb_state_unref(state_);
    state_ = nullptr;
  }
  index_.reset();
}

void Keyboard::NoteKey(uint32_t evdev, bool pressed) {
  if (state_) {
    xkb_state_update_key(state_, evdev + kXkbOffset,
                         pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
  }
}

void Keyboard::SetModifiers(uint32_t depressed,
                            uint32_t latched,
                            uint32_t locked,
                            uint32_t group) {
  layout_ = group;
  if (state_) {
    // The group is the effective one: taken as locked, as libei advises.
    xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
  }
}

void Keyboard::SetLayout(uint32_t layout) {
  layout_ = layout;
  if (state_) {
    xkb_state_update_mask(
        state_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED), 0, 0, layout);
  }
}

common::XkbTypingState Keyboard::TypingState() const {
  common::XkbTypingState typing;
  if (state_) {
    typing.layout =
        xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE);
    typing.mods = xkb_state_serialize_mods(state_, XKB_STATE_MODS_EFFECTIVE);
  }
  return typing;
}

uint32_t Keyboard::KeyFor(uint32_t keysym) const {
  if (!index_ || keysym == 0) {
    return 0;
  }
  return Evdev(index_->KeycodeFor(keysym, TypingState().layout));
}

bool Keyboard::ChordFor(const std::string& text,
                        char32_t code_point,
                        KeyChord* chord) const {
  if (!index_) {
    return false;
  }
  const common::XkbTypingState typing = TypingState();
  if (const std::vector<uint32_t>* keysyms = common::ItalianKeys(text)) {
    common::XkbChord table;
    for (uint32_t keysym : *keysyms) {
      table.modifiers.push_back(index_->KeycodeFor(keysym, typing.layout));
    }
    table.key = table.modifiers.back();
    table.modifiers.pop_back();
    bool complete = table.key != 0;
    for (xkb_keycode_t modifier : table.modifiers) {
      complete = complete && modifier != 0;
    }
    if (complete && index_->ChordTypes(typing, table, code_point)) {
      *chord = ToEvdev(table);
      return true;
    }
  }
  common::XkbChord found;
  if (!index_->FindChord(typing, code_point, &found)) {
    return false;
  }
  *chord = ToEvdev(found);
  return true;
}

}  // namespace eis
}  // namespace quorvel
