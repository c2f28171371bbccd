#include "backend/x11/typing.h"

#include <glib.h>
#include <xkbcommon/xkbcommon.h>

#include "backend/x11/character_keys.h"
#include "backend/x11/italian_keys.h"
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

// The one character `text` holds. A single byte that is not UTF-8 is taken
// as a Latin-1 character, as older senders write it.
bool DecodeCharacter(const std::string& text, char32_t* code_point) {
  const gchar* end = nullptr;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end)) {
    if (g_utf8_strlen(text.data(), static_cast<gssize>(text.size())) != 1) {
      return false;
    }
    *code_point = g_utf8_get_char(text.data());
    return true;
  }
  if (text.size() == 1) {
    *code_point = static_cast<unsigned char>(text[0]);
    return true;
  }
  return false;
}

// The table's chord, when it types `code_point` on the current map.
bool ItalianChord(const KeyboardState& state,
                  Keymap& keymap,
                  const std::string& text,
                  char32_t code_point,
                  Chord* chord) {
  const std::vector<KeySym>* keysyms = ItalianKeys(text);
  if (!keysyms) {
    return false;
  }
  Chord table;
  for (KeySym keysym : *keysyms) {
    const KeyCode keycode = keymap.KeycodeFor(keysym);
    if (keycode == 0) {
      return false;
    }
    table.modifiers.push_back(keycode);
  }
  table.key = table.modifiers.back();
  table.modifiers.pop_back();
  if (!ChordTypes(state, table, code_point)) {
    return false;
  }
  *chord = std::move(table);
  return true;
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
                   char32_t code_point) {
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
  Chord chord;
  if (ItalianChord(state, keymap, text, code_point, &chord)) {
    Tap(display, keymap, chord.key, chord.modifiers);
    return true;
  }
  if (const Chord* found = keymap.ChordFor(state.mods, code_point)) {
    Tap(display, keymap, found->key, found->modifiers);
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
  const std::string typed = text.substr(0, text.find('\0'));
  if (typed.empty()) {
    return false;
  }
  char32_t code_point = 0;
  if (DecodeCharacter(typed, &code_point)) {
    return TypeCharacter(display, keymap, held_keys, typed, code_point);
  }
  const KeySym keysym = XStringToKeysym(typed.c_str());
  return keysym != NoSymbol && TypeNamedKey(display, keymap, keysym);
}

}  // namespace x11
}  // namespace quorvel
