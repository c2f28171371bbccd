#include "backend/x11/keymap.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "backend/common/mac_key_table.h"
#include "backend/x11/connection.h"
#include "backend/x11/key_levels.h"
#include "backend/x11/keys.h"

namespace quorvel {
namespace x11 {
namespace {

// What the map must hold for typing: key types (levels and the modifiers
// that select them), symbols, and which modifiers each key sets.
constexpr unsigned kMapParts =
    XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask;

// The state changes that decide which symbol a key gives: the group and the
// modifiers that stay on (Caps Lock, Num Lock).
constexpr unsigned long kStateDetails = XkbGroupStateMask | XkbModifierLockMask;

bool HasXkb(Display* display, int* event) {
  int opcode = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  return XkbQueryExtension(display, &opcode, event, &error, &major, &minor);
}

// The connection the map is read on selects no events, but the server
// still tells every client of core mapping changes; nothing needs them.
void DropEvent(const XEvent& /*event*/, void* /*data*/) {}

}  // namespace

Keymap::~Keymap() {
  Detach();
}

void Keymap::Attach(Display* display) {
  Detach();
  display_ = display;
  int event = 0;
  if (!HasXkb(display, &event)) {
    return;
  }
  xkb_event_ = event;
  XkbSelectEvents(display, XkbUseCoreKbd,
                  XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                  XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
  XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, kStateDetails,
                        kStateDetails);
  XFlush(display);
  reader_ = OpenConnection();
  int reader_event = 0;
  if (reader_ && !HasXkb(reader_, &reader_event)) {
    CloseConnection(reader_);
    reader_ = nullptr;
  }
  Load(/*with_state=*/true);
}

void Keymap::Detach() {
  FreeMap();
  index_.Clear();
  index_stale_ = true;
  CloseConnection(reader_);
  reader_ = nullptr;
  display_ = nullptr;
  xkb_event_ = -1;
  stale_ = true;
  group_ = 0;
  locked_mods_ = 0;
  spares_.Clear();
  holds_end_ = {};
}

void Keymap::OnEvent(const XEvent& event) {
  if (xkb_event_ >= 0 && event.type == xkb_event_ + XkbEventCode) {
    XkbEvent xkb_event;
    static_assert(sizeof(xkb_event) >= sizeof(event), "XkbEvent holds XEvent");
    xkb_event.core = event;
    OnXkbEvent(xkb_event);
    return;
  }
  if (event.type != MappingNotify) {
    return;
  }
  XMappingEvent mapping = event.xmapping;
  if (xkb_event_ < 0) {
    // Without XKB keys are looked up in Xlib's own copy of the map. With
    // XKB nothing reads that copy, and bringing it up to date is a round
    // trip that would wait behind the key releases the server holds back.
    XRefreshKeyboardMapping(&mapping);
  }
  if (mapping.request == MappingModifier ||
      (mapping.request == MappingKeyboard &&
       !OnlyOwnSpares(mapping.first_keycode, mapping.count))) {
    stale_ = true;
  }
}

void Keymap::OnXkbEvent(const XkbEvent& event) {
  switch (event.any.xkb_type) {
    case XkbNewKeyboardNotify:
      stale_ = true;
      break;
    case XkbMapNotify: {
      const XkbMapNotifyEvent& map = event.map;
      const bool own =
          (map.changed & XkbKeyTypesMask) == 0 &&
          OnlyOwnSpares(map.first_key_sym, map.num_key_syms) &&
          OnlyOwnSpares(map.first_key_act, map.num_key_acts) &&
          OnlyOwnSpares(map.first_key_behavior, map.num_key_behaviors) &&
          OnlyOwnSpares(map.first_key_explicit, map.num_key_explicit) &&
          OnlyOwnSpares(map.first_modmap_key, map.num_modmap_keys) &&
          OnlyOwnSpares(map.first_vmodmap_key, map.num_vmodmap_keys);
      if (!own) {
        stale_ = true;
      }
      break;
    }
    case XkbStateNotify:
      index_stale_ = index_stale_ || event.state.group != group_;
      group_ = event.state.group;
      locked_mods_ = event.state.locked_mods;
      break;
    default:
      break;
  }
}

bool Keymap::OnlyOwnSpares(int first, int count) const {
  for (int keycode = first; keycode < first + count; ++keycode) {
    if (keycode > 255 || !spares_.Carries(static_cast<KeyCode>(keycode))) {
      return false;
    }
  }
  return true;
}

const XkbDescRec* Keymap::Map() {
  if (!display_ || xkb_event_ < 0) {
    return nullptr;
  }
  if (stale_ || !map_) {
    Load(/*with_state=*/false);
  }
  UpdateIndex();
  return map_;
}

// After the first load the group and the locks are known from the state
// notices, which the server sends whenever they change (also when a new
// layout changes them); asking again would be one more round trip.
void Keymap::Load(bool with_state) {
  FreeMap();
  Display* reader = reader_ ? reader_ : display_;
  map_ = XkbGetMap(reader, kMapParts, XkbUseCoreKbd);
  XkbStateRec state;
  if (with_state && XkbGetState(reader, XkbUseCoreKbd, &state) == Success) {
    group_ = state.group;
    locked_mods_ = state.locked_mods;
  }
  if (reader_) {
    DrainEvents(reader_, DropEvent, nullptr);
  }
  stale_ = false;
  ResetSpares();
  index_stale_ = true;
  UpdateIndex();
}

// Spares are left out of the index: typing changes their symbols without a
// new build. They are found through the pool instead.
void Keymap::UpdateIndex() {
  if (!index_stale_) {
    return;
  }
  index_.Clear();
  if (map_) {
    KeyIndex::Keycodes spares;
    for (const SparePool::Key& spare : spares_.keys()) {
      spares.set(spare.keycode);
    }
    index_.Build(*map_, group_, spares);
  }
  index_stale_ = false;
}

// Spares are the keycodes without symbols, plus those still carrying what
// this class put there; scanned from the top, where keyboards leave their
// unused keycodes.
void Keymap::ResetSpares() {
  std::vector<SparePool::Key> keys;
  if (map_) {
    for (int keycode = map_->max_key_code; keycode >= map_->min_key_code;
         --keycode) {
      const KeyCode key = static_cast<KeyCode>(keycode);
      SparePool::Key spare;
      spare.keycode = key;
      const SparePool::Key* known = spares_.Find(key);
      if (known && known->mapped() && !KeyIsEmpty(*map_, key) &&
          KeysymAt(*map_, key, 0, 0) == known->level1 &&
          KeysymAt(*map_, key, 0, 1) == known->level2) {
        spare = *known;
      } else if (!KeyIsEmpty(*map_, key)) {
        continue;
      }
      keys.push_back(spare);
    }
  }
  spares_.Reset(std::move(keys));
}

void Keymap::FreeMap() {
  if (map_) {
    XkbFreeKeyboard(map_, 0, True);
    map_ = nullptr;
  }
}

KeyCode Keymap::KeycodeFor(KeySym keysym) {
  if (Map()) {
    const KeyCode keycode = index_.Keycode(keysym);
    return keycode != 0 ? keycode : spares_.Carrying(keysym);
  }
  return display_ ? XKeysymToKeycode(display_, keysym) : 0;
}

KeyCode Keymap::KeycodeForMac(uint32_t mac_key) {
  if (Map()) {
    if (const KeyCode keycode = index_.MacKeycode(mac_key)) {
      return keycode;
    }
  }
  const KeySym keysym = TranslateMacVk(mac_key);
  return keysym == NoSymbol ? 0 : KeycodeFor(keysym);
}

const Chord* Keymap::CharacterChordFor(unsigned mods,
                                       const std::string& text,
                                       char32_t code_point) {
  return Map() ? index_.CharacterChord(mods, text, code_point) : nullptr;
}

const Chord* Keymap::ChordFor(unsigned mods, char32_t code_point) {
  return Map() ? index_.FindChord(mods, code_point) : nullptr;
}

KeyCode Keymap::MapOnSpare(KeySym level1, KeySym level2) {
  if (!Map()) {
    return 0;
  }
  bool needs_mapping = false;
  const KeyCode keycode =
      spares_.Take(level1, level2, ServerTime(), &needs_mapping);
  if (keycode != 0 && needs_mapping && !PutOnKey(keycode, level1, level2)) {
    return 0;
  }
  if (needs_mapping && reader_) {
    // The server's notice of an earlier mapping, at most.
    DrainEvents(reader_, DropEvent, nullptr);
  }
  return keycode;
}

// Through XKB rather than the core request: the core request leaves the
// key's type to the server, which gives a key whose two symbols are no
// case pair it knows a type that ignores Caps Lock, and Xlib then converts
// the symbol to upper case itself ("ß" would arrive as nothing, "ж" as
// "Ж"). The alphabetic type uses Caps Lock up, so the key gives its
// symbols whatever Shift and Caps Lock are. Edits the copy too, so the
// server's notice of this change needs no reload.
bool Keymap::PutOnKey(KeyCode keycode, KeySym level1, KeySym level2) {
  int types[XkbNumKbdGroups] = {XkbAlphabeticIndex};
  XkbMapChangesRec changes = {};
  if (map_->map->num_types <= XkbAlphabeticIndex ||
      XkbChangeTypesOfKey(map_, keycode, 1, XkbGroup1Mask, types, &changes) !=
          Success) {
    return false;
  }
  KeySym* syms = XkbKeySymsPtr(map_, keycode);
  syms[0] = level1;
  syms[1] = level2;
  changes.changed |= XkbKeySymsMask;
  changes.first_key_sym = keycode;
  changes.num_key_syms = 1;
  // The server applies requests in order: the key press that follows
  // already finds the new symbols, so no round trip is needed here.
  return XkbChangeMap(display_, map_, &changes);
}

SparePool::Clock::time_point Keymap::ServerTime() const {
  return std::max(SparePool::Clock::now(), holds_end_);
}

void Keymap::NoteHold() {
  holds_end_ = ServerTime() + std::chrono::milliseconds(kKeyHoldDelayMs);
}

void Keymap::RestoreSpares() {
  if (!display_) {
    return;
  }
  for (const SparePool::Key& spare : spares_.keys()) {
    if (!spare.mapped()) {
      continue;
    }
    // Asks the server, not the copy: a layout loaded since may have put a
    // real key there, which must stay.
    int width = 0;
    KeySym* syms = XGetKeyboardMapping(display_, spare.keycode, 1, &width);
    const bool ours = syms && width >= 2 && syms[0] == spare.level1 &&
                      syms[1] == spare.level2;
    if (syms) {
      XFree(syms);
    }
    if (ours) {
      KeySym none[] = {NoSymbol, NoSymbol};
      XChangeKeyboardMapping(display_, spare.keycode, 2, none, 1);
    }
  }
  spares_.ForgetMappings();
  XFlush(display_);
}

}  // namespace x11
}  // namespace quorvel
