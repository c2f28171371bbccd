#ifndef QUORVEL_BACKEND_X11_KEY_LEVELS_H_
#define QUORVEL_BACKEND_X11_KEY_LEVELS_H_

#include <X11/XKBlib.h>

namespace quorvel {
namespace x11 {

// What a key of an XKB keyboard map means under a modifier state, read the
// way a client's Xlib reads it. Pure functions of the map: no requests.

// The shift level `type` selects under the real modifiers `mods`; sets
// `consumed` to the modifiers that selection used up.
int TypeLevel(const XkbKeyTypeRec& type, unsigned mods, unsigned* consumed);

// The KeySym a client reads from a key with type `type` and the `width`
// levels `syms` under `mods`: the level's symbol, in upper case when Lock is
// on and the type left it unused (Xlib's lookup converts the case itself).
KeySym ClientKeysym(const XkbKeyTypeRec& type,
                    const KeySym* syms,
                    int width,
                    unsigned mods);

// The group of `keycode` that serves when `group` is active (a key with
// fewer groups wraps, clamps or redirects); -1 when the key has no group.
int KeyGroup(const XkbDescRec& xkb, KeyCode keycode, int group);

// ClientKeysym for `keycode` of `xkb` in `group`.
KeySym KeyClientKeysym(const XkbDescRec& xkb,
                       KeyCode keycode,
                       int group,
                       unsigned mods);

// The symbol at `level` of the group of `keycode` that serves `group`.
KeySym KeysymAt(const XkbDescRec& xkb, KeyCode keycode, int group, int level);

// True when no group of `keycode` carries a symbol: a keycode free to borrow.
bool KeyIsEmpty(const XkbDescRec& xkb, KeyCode keycode);

// The real modifiers `keycode` sets when pressed (its modifier map entry).
unsigned KeyModifiers(const XkbDescRec& xkb, KeyCode keycode);

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_KEY_LEVELS_H_
