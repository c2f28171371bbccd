#include "backend/x11/key_levels.h"

#include <X11/Xutil.h>

#include <cstddef>

namespace quorvel {
namespace x11 {
namespace {

bool InRange(const XkbDescRec& xkb, KeyCode keycode) {
  return xkb.map && keycode >= xkb.min_key_code && keycode <= xkb.max_key_code;
}

}  // namespace

int TypeLevel(const XkbKeyTypeRec& type, unsigned mods, unsigned* consumed) {
  const unsigned relevant = mods & type.mods.mask;
  unsigned preserve = 0;
  int level = 0;
  for (int i = 0; i < type.map_count; ++i) {
    const XkbKTMapEntryRec& entry = type.map[i];
    if (entry.active && entry.mods.mask == relevant) {
      level = entry.level;
      if (type.preserve) {
        preserve = type.preserve[i].mask;
      }
      break;
    }
  }
  *consumed = type.mods.mask & ~preserve;
  return level;
}

KeySym ClientKeysym(const XkbKeyTypeRec& type,
                    const KeySym* syms,
                    int width,
                    unsigned mods) {
  unsigned consumed = 0;
  const int level = TypeLevel(type, mods, &consumed);
  if (level >= width) {
    return NoSymbol;
  }
  KeySym keysym = syms[level];
  if (mods & ~consumed & LockMask) {
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(keysym, &lower, &upper);
    keysym = upper;
  }
  return keysym;
}

int KeyGroup(const XkbDescRec& xkb, KeyCode keycode, int group) {
  if (!InRange(xkb, keycode)) {
    return -1;
  }
  const int groups = XkbKeyNumGroups(&xkb, keycode);
  if (groups == 0) {
    return -1;
  }
  if (group >= 0 && group < groups) {
    return group;
  }
  const unsigned char info = XkbKeyGroupInfo(&xkb, keycode);
  switch (XkbOutOfRangeGroupAction(info)) {
    case XkbRedirectIntoRange: {
      const int target = XkbOutOfRangeGroupNumber(info);
      return target < groups ? target : 0;
    }
    case XkbClampIntoRange:
      return group < 0 ? 0 : groups - 1;
    default:
      return ((group % groups) + groups) % groups;
  }
}

KeySym KeyClientKeysym(const XkbDescRec& xkb,
                       KeyCode keycode,
                       int group,
                       unsigned mods) {
  const int key_group = KeyGroup(xkb, keycode, group);
  if (key_group < 0) {
    return NoSymbol;
  }
  const XkbKeyTypeRec* type = XkbKeyKeyType(&xkb, keycode, key_group);
  const ptrdiff_t offset =
      static_cast<ptrdiff_t>(key_group) * XkbKeyGroupsWidth(&xkb, keycode);
  const KeySym* syms = XkbKeySymsPtr(&xkb, keycode) + offset;
  return ClientKeysym(*type, syms, type->num_levels, mods);
}

KeySym KeysymAt(const XkbDescRec& xkb, KeyCode keycode, int group, int level) {
  const int key_group = KeyGroup(xkb, keycode, group);
  if (key_group < 0 || level >= XkbKeyGroupWidth(&xkb, keycode, key_group)) {
    return NoSymbol;
  }
  return XkbKeySymEntry(&xkb, keycode, level, key_group);
}

bool KeyIsEmpty(const XkbDescRec& xkb, KeyCode keycode) {
  if (!InRange(xkb, keycode)) {
    return false;
  }
  const int count = XkbKeyNumSyms(&xkb, keycode);
  const KeySym* syms = XkbKeySymsPtr(&xkb, keycode);
  for (int i = 0; i < count; ++i) {
    if (syms[i] != NoSymbol) {
      return false;
    }
  }
  return true;
}

unsigned KeyModifiers(const XkbDescRec& xkb, KeyCode keycode) {
  return InRange(xkb, keycode) && xkb.map->modmap ? xkb.map->modmap[keycode]
                                                  : 0;
}

}  // namespace x11
}  // namespace quorvel
