#include "backend/gnome/layout.h"

#include <gio/gio.h>
#include <xkbcommon/xkbcommon.h>

#include "backend/common/session_bus.h"

namespace quorvel {
namespace gnome {
namespace {

constexpr char kInputSourcesSchema[] = "org.gnome.desktop.input-sources";
constexpr char kLocaleName[] = "org.freedesktop.locale1";
constexpr char kLocalePath[] = "/org/freedesktop/locale1";
// Read once when the backend starts; locale1 answers from memory (or is
// started by the bus, which takes longer but is bounded here).
constexpr int kLocaleTimeoutMs = 1000;

std::string LookupString(GVariant* properties, const char* name) {
  const char* value = nullptr;
  return g_variant_lookup(properties, name, "&s", &value) ? value : "";
}

// The id of the first XKB source in an a(ss) list of input sources.
std::string FirstXkbSource(GVariant* sources) {
  GVariantIter iter;
  g_variant_iter_init(&iter, sources);
  const char* type = nullptr;
  const char* id = nullptr;
  while (g_variant_iter_next(&iter, "(&s&s)", &type, &id)) {
    if (g_strcmp0(type, "xkb") == 0) {
      return id;
    }
  }
  return {};
}

GSettings* InputSourceSettings() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) {
    return nullptr;
  }
  g_autoptr(GSettingsSchema) schema =
      g_settings_schema_source_lookup(source, kInputSourcesSchema, TRUE);
  if (!schema || !g_settings_schema_has_key(schema, "mru-sources") ||
      !g_settings_schema_has_key(schema, "sources") ||
      !g_settings_schema_has_key(schema, "xkb-options")) {
    return nullptr;
  }
  return g_settings_new_full(schema, nullptr, nullptr);
}

bool SameLayout(const LayoutNames& a, const LayoutNames& b) {
  return a.model == b.model && a.layout == b.layout && a.variant == b.variant &&
         a.options == b.options;
}

}  // namespace

void SplitInputSourceId(const std::string& id, LayoutNames* names) {
  const size_t plus = id.find('+');
  names->layout = id.substr(0, plus);
  names->variant = plus == std::string::npos ? "" : id.substr(plus + 1);
}

bool ReadInputSourceLayout(GSettings* settings, LayoutNames* names) {
  g_autoptr(GVariant) recent = g_settings_get_value(settings, "mru-sources");
  std::string id = FirstXkbSource(recent);
  if (id.empty()) {
    g_autoptr(GVariant) configured = g_settings_get_value(settings, "sources");
    id = FirstXkbSource(configured);
  }
  if (id.empty()) {
    return false;
  }
  *names = LayoutNames();
  SplitInputSourceId(id, names);
  g_auto(GStrv) options = g_settings_get_strv(settings, "xkb-options");
  g_autofree gchar* joined = g_strjoinv(",", options);
  names->options = joined;
  return true;
}

ActiveLayout::ActiveLayout() : input_sources_(InputSourceSettings()) {
  // locale1 only where the shell's settings say nothing: a sync call, made
  // once, here rather than in the middle of typing.
  LayoutNames names;
  if ((!input_sources_ || !ReadInputSourceLayout(input_sources_, &names)) &&
      ReadSystemLayout(&names)) {
    system_keysyms_ = LayoutKeysyms::Build(names);
  }
}

ActiveLayout::~ActiveLayout() {
  g_clear_object(&input_sources_);
}

const LayoutKeysyms* ActiveLayout::Current() {
  LayoutNames names;
  if (!input_sources_ || !ReadInputSourceLayout(input_sources_, &names)) {
    return system_keysyms_.get();
  }
  if (!keysyms_ || !SameLayout(names, built_for_)) {
    keysyms_ = LayoutKeysyms::Build(names);
    built_for_ = names;
  }
  return keysyms_.get();
}

bool ReadSystemLayout(LayoutNames* names) {
  g_autofree gchar* address =
      g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
  g_autoptr(GDBusConnection) connection = common::ConnectPrivately(address);
  if (!connection) {
    return false;
  }
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      connection, kLocaleName, kLocalePath, "org.freedesktop.DBus.Properties",
      "GetAll", g_variant_new("(s)", kLocaleName), G_VARIANT_TYPE("(a{sv})"),
      G_DBUS_CALL_FLAGS_NONE, kLocaleTimeoutMs, nullptr, nullptr);
  g_dbus_connection_close_sync(connection, nullptr, nullptr);
  if (!reply) {
    return false;
  }
  g_autoptr(GVariant) properties = g_variant_get_child_value(reply, 0);
  names->model = LookupString(properties, "X11Model");
  names->layout = LookupString(properties, "X11Layout");
  names->variant = LookupString(properties, "X11Variant");
  names->options = LookupString(properties, "X11Options");
  return !names->layout.empty();
}

std::unique_ptr<LayoutKeysyms> LayoutKeysyms::Build(const LayoutNames& names) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (!context) {
    return nullptr;
  }
  xkb_rule_names rules = {};
  rules.model = names.model.c_str();
  rules.layout = names.layout.c_str();
  rules.variant = names.variant.c_str();
  rules.options = names.options.c_str();
  xkb_keymap* keymap =
      xkb_keymap_new_from_names(context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
  xkb_context_unref(context);
  if (!keymap) {
    return nullptr;
  }
  std::unique_ptr<LayoutKeysyms> result(new LayoutKeysyms());
  constexpr xkb_layout_index_t kFirstGroup = 0;
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap);
       key <= xkb_keymap_max_keycode(keymap); key++) {
    const xkb_level_index_t levels =
        xkb_keymap_num_levels_for_key(keymap, key, kFirstGroup);
    for (xkb_level_index_t level = 0; level < levels; level++) {
      const xkb_keysym_t* syms = nullptr;
      const int count = xkb_keymap_key_get_syms_by_level(
          keymap, key, kFirstGroup, level, &syms);
      for (int i = 0; i < count; i++) {
        result->keysyms_.insert(syms[i]);
      }
    }
  }
  xkb_keymap_unref(keymap);
  return result;
}

}  // namespace gnome
}  // namespace quorvel
