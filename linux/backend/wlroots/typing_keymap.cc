#include "backend/wlroots/typing_keymap.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quorvel {
namespace wlroots {
namespace {

// The name of the keycodes section of every keymap this backend uploads.
constexpr char kOwnSectionName[] = "quorvel-typing";
// Keycode 8 is evdev's KEY_RESERVED; X11 clients read nothing above 255.
constexpr xkb_keycode_t kFirstSpare = 9;
constexpr xkb_keycode_t kLastSpare = 255;
// A KeySym every keymap parser knows, to check the extension compiles.
constexpr xkb_keysym_t kProbeKeysym = 0x1006f22;  // U6F22

struct KeymapDeleter {
  void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
using KeymapPtr = std::unique_ptr<xkb_keymap, KeymapDeleter>;

bool HasSymbols(xkb_keymap* keymap, xkb_keycode_t keycode) {
  const xkb_layout_index_t layouts =
      xkb_keymap_num_layouts_for_key(keymap, keycode);
  for (xkb_layout_index_t layout = 0; layout < layouts; layout++) {
    if (xkb_keymap_num_levels_for_key(keymap, keycode, layout) > 0) {
      return true;
    }
  }
  return false;
}

// 0: no name; 1: an "I" name (a keycode no physical key is known for);
// 2: a physical key another layout may use.
int Preference(const SpareKey& key) {
  if (!key.named) {
    return 0;
  }
  return key.name[0] == 'I' ? 1 : 2;
}

// The end of the section that starts with `header` (its closing "};" at
// the start of a line), or npos.
size_t SectionEnd(const std::string& text, const char* header) {
  const size_t start = text.find(header);
  if (start == std::string::npos) {
    return std::string::npos;
  }
  const size_t end = text.find("\n};", start);
  return end == std::string::npos ? end : end + 1;
}

std::string CanonicalText(xkb_keymap* keymap) {
  char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
  if (!text) {
    return {};
  }
  std::string result(text);
  free(text);
  return result;
}

// True when `text` compiles and each spare carrying a KeySym gives it at
// its first level.
bool Compiles(xkb_context* context,
              const std::string& text,
              const std::vector<SpareKey>& spares) {
  KeymapPtr keymap(xkb_keymap_new_from_string(context, text.c_str(),
                                              XKB_KEYMAP_FORMAT_TEXT_V1,
                                              XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) {
    return false;
  }
  for (const SpareKey& key : spares) {
    const xkb_keysym_t* syms = nullptr;
    if (key.keysym != XKB_KEY_NoSymbol &&
        (xkb_keymap_key_get_syms_by_level(keymap.get(), key.keycode, 0, 0,
                                          &syms) != 1 ||
         syms[0] != key.keysym)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsOwnKeymap(const std::string& text) {
  return text.find(std::string("xkb_keycodes \"") + kOwnSectionName + "\"") !=
         std::string::npos;
}

std::vector<SpareKey> FindSpareKeys(xkb_keymap* keymap) {
  std::vector<SpareKey> spares;
  const xkb_keycode_t first =
      std::max(kFirstSpare, xkb_keymap_min_keycode(keymap));
  const xkb_keycode_t last =
      std::min(kLastSpare, xkb_keymap_max_keycode(keymap));
  for (xkb_keycode_t keycode = last; keycode >= first; keycode--) {
    if (HasSymbols(keymap, keycode)) {
      continue;
    }
    SpareKey key;
    key.keycode = keycode;
    if (const char* name = xkb_keymap_key_get_name(keymap, keycode)) {
      key.name = name;
      key.named = true;
    } else {
      char made_up[8];
      snprintf(made_up, sizeof(made_up), "Q%03u", keycode);
      if (xkb_keymap_key_by_name(keymap, made_up) != XKB_KEYCODE_INVALID) {
        continue;
      }
      key.name = made_up;
    }
    spares.push_back(key);
  }
  std::stable_sort(spares.begin(), spares.end(),
                   [](const SpareKey& a, const SpareKey& b) {
                     return Preference(a) < Preference(b);
                   });
  return spares;
}

std::string ExtendKeymapText(const std::string& text,
                             const std::vector<SpareKey>& spares) {
  std::string names;
  std::string symbols;
  for (const SpareKey& key : spares) {
    if (key.keysym == XKB_KEY_NoSymbol) {
      continue;
    }
    if (!key.named) {
      names += "\t<" + key.name + "> = " + std::to_string(key.keycode) + ";\n";
    }
    char keysym[64];
    xkb_keysym_get_name(key.keysym, keysym, sizeof(keysym));
    symbols += "\tkey <" + key.name + "> { [ " + keysym + " ] };\n";
  }
  std::string result = text;
  // The symbols section comes after the keycodes section: insert there
  // first so the keycodes' offsets stay valid.
  const size_t symbols_end = SectionEnd(result, "xkb_symbols");
  const size_t keycodes_end = SectionEnd(result, "xkb_keycodes");
  if (symbols_end == std::string::npos || keycodes_end == std::string::npos ||
      symbols_end < keycodes_end) {
    return {};
  }
  result.insert(symbols_end, symbols);
  result.insert(keycodes_end, names);
  const size_t header = result.find("xkb_keycodes");
  const size_t open = result.find('"', header);
  const size_t close = result.find('"', open + 1);
  if (open == std::string::npos || close == std::string::npos) {
    return {};
  }
  result.replace(open + 1, close - open - 1, kOwnSectionName);
  return result;
}

std::unique_ptr<TypingKeymap> TypingKeymap::Create(
    xkb_context* context,
    const std::string& seat_text) {
  KeymapPtr keymap(
      seat_text.empty()
          ? xkb_keymap_new_from_names(context, nullptr,
                                      XKB_KEYMAP_COMPILE_NO_FLAGS)
          : xkb_keymap_new_from_string(context, seat_text.c_str(),
                                       XKB_KEYMAP_FORMAT_TEXT_V1,
                                       XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) {
    return nullptr;
  }
  std::string base = CanonicalText(keymap.get());
  std::vector<SpareKey> spares = FindSpareKeys(keymap.get());
  if (base.empty() || spares.empty()) {
    return nullptr;
  }
  // Checked once with every spare in use: an upload that does not compile
  // ends the connection, so no text of ours may ever fail.
  std::vector<SpareKey> probe = spares;
  for (SpareKey& key : probe) {
    key.keysym = kProbeKeysym;
  }
  if (!Compiles(context, ExtendKeymapText(base, probe), probe)) {
    return nullptr;
  }
  auto index = std::make_unique<common::XkbKeyIndex>(keymap.get());
  return std::unique_ptr<TypingKeymap>(
      new TypingKeymap(std::move(base), std::move(index), std::move(spares)));
}

TypingKeymap::TypingKeymap(std::string base_text,
                           std::unique_ptr<common::XkbKeyIndex> index,
                           std::vector<SpareKey> spares)
    : base_text_(std::move(base_text)),
      index_(std::move(index)),
      spares_(std::move(spares)) {}

bool TypingKeymap::TakeSpare(xkb_keysym_t keysym,
                             const std::vector<xkb_keycode_t>& busy,
                             xkb_keycode_t* keycode) {
  SpareKey* chosen = nullptr;
  for (SpareKey& key : spares_) {
    if (key.keysym == keysym) {
      chosen = &key;
      break;
    }
  }
  if (!chosen) {
    for (SpareKey& key : spares_) {
      const bool held =
          std::find(busy.begin(), busy.end(), key.keycode) != busy.end();
      if (!held && (!chosen || key.last_used < chosen->last_used)) {
        chosen = &key;
      }
    }
    if (!chosen) {
      return false;
    }
    chosen->keysym = keysym;
    text_stale_ = true;
  }
  chosen->last_used = ++uses_;
  *keycode = chosen->keycode;
  return true;
}

const std::string& TypingKeymap::text() {
  if (text_stale_) {
    text_ = ExtendKeymapText(base_text_, spares_);
    text_stale_ = false;
  }
  return text_;
}

}  // namespace wlroots
}  // namespace quorvel
