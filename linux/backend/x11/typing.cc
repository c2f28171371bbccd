#include "backend/x11/typing.h"

#include <xkbcommon/xkbcommon.h>

#include "backend/common/italian_keys.h"
#include "backend/common/text_keysym.h"
#include "backend/x11/character_keys.h"
#include "backend/x11/key_levels.h"
#include "backend/x11/keys.h"

namespace quorvel {
namespace x11 {
namespace {

// Presses and holds through the server's delay, and tells the keymap.
void Tap(Display* display,
         Keymap& keymap,
         KeyCode keycode,
         const std::vector<KeyCode>& modifiers) {
  TapKeycode(display, keycode, modifiers);
  keymap.NoteHold();
}

// The one character `text` holds; `utf8` tells whether `text` is its
// UTF-8. A single byte that is not UTF-8 is taken as a Latin-1 character,
// as older senders write it.
bool DecodeCharacter(const std::string& text,
                     char32_t* code_point,
                     bool* utf8) {
  *utf8 = common::Utf8Character(text, code_point);
  if (*utf8) {
    return true;
  }
  if (text.size() == 1) {
    *code_point = static_cast<unsigned char>(text[0]);
    return true;
  }
  return false;
}

// A symbol no key of the active group gives, put on a spare keycode for
// the moment.
bool TypeOnSpare(Display* display, Keymap& keymap, KeySym keysym) {
  const KeyCode keycode =
      keysym == NoSymbol ? 0 : keymap.MapOnSpare(keysym, keysym);
  if (keycode == 0) {
    return false;
  }
  Tap(display, keymap, keycode, {});
  return true;
}

bool TypeCharacter(Display* display,
                   Keymap& keymap,
                   const std::vector<KeyCode>& held_keys,
                   const std::string& text,
                   char32_t code_point,
                   bool utf8) {
  KeyboardState state;
  state.map = keymap.Map();
  if (!state.map) {
    // No XKB: the character's own KeySym, where a key carries it.
    const KeyCode keycode = keymap.KeycodeFor(xkb_utf32_to_keysym(code_point));
    if (keycode != 0) {
      Tap(display, keymap, keycode, {});
    }
    return keycode != 0;
  }
  state.group = keymap.group();
  state.mods = keymap.locked_mods();
  for (KeyCode held : held_keys) {
    state.mods |= KeyModifiers(*state.map, held);
  }
  // The Italian table's keys are UTF-8; a Latin-1 byte is none of them.
  const Chord* chord =
      utf8 ? keymap.CharacterChordFor(state.mods, text, code_point)
           : keymap.ChordFor(state.mods, code_point);
  if (chord) {
    Tap(display, keymap, chord->key, chord->modifiers);
    return true;
  }
  return TypeOnSpare(display, keymap, xkb_utf32_to_keysym(code_point));
}

// A key named by its KeySym, pressed alone: the app asked for that key, not
// for a character, so no modifier is added.
bool TypeNamedKey(Display* display, Keymap& keymap, KeySym keysym) {
  const KeyCode keycode = keymap.KeycodeFor(keysym);
  if (keycode == 0) {
    return TypeOnSpare(display, keymap, keysym);
  }
  Tap(display, keymap, keycode, {});
  return true;
}

}  // namespace

bool TypeText(Display* display,
              Keymap& keymap,
              const std::vector<KeyCode>& held_keys,
              const std::string& text) {
  if (!display) {
    return false;
  }
  // The channel's strings carry no NUL; a caller's C string ends there.
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    return TypeText(display, keymap, held_keys, text.substr(0, nul));
  }
  const std::string& typed = text;
  if (typed.empty()) {
    return false;
  }
  char32_t code_point = 0;
  bool utf8 = false;
  if (DecodeCharacter(typed, &code_point, &utf8)) {
    return TypeCharacter(display, keymap, held_keys, typed, code_point, utf8);
  }
  const KeySym keysym = XStringToKeysym(typed.c_str());
  return keysym != NoSymbol && TypeNamedKey(display, keymap, keysym);
}

}  // namespace x11
}  // namespace quorvel
