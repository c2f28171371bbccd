#include "backend/common/desktop.h"

#include <gio/gio.h>
#include <sys/utsname.h>

#include <string>

namespace quorvel {
namespace common {
namespace {

constexpr char kInterfaceSchema[] = "org.gnome.desktop.interface";
constexpr char kColorSchemeKey[] = "color-scheme";
constexpr char kGtkThemeKey[] = "gtk-theme";
constexpr char kDark[] = "dark";

// GSettings ends the process when it is asked for a schema that is not
// installed, so the schema is looked up first. Null when it is missing.
GSettingsSchema* LookupSchema(const char* schema_id) {
  // Null when there are no schema directories at all.
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) {
    return nullptr;
  }
  return g_settings_schema_source_lookup(source, schema_id, TRUE);
}

// The string value of `key`, or null when the schema lacks a string key of
// that name (older schemas have no "color-scheme"; asking for a missing key
// would end the process, and one of another type would not read as text).
gchar* ReadString(GSettings* settings,
                  GSettingsSchema* schema,
                  const char* key) {
  if (!g_settings_schema_has_key(schema, key)) {
    return nullptr;
  }
  g_autoptr(GSettingsSchemaKey) schema_key =
      g_settings_schema_get_key(schema, key);
  if (!g_variant_type_equal(g_settings_schema_key_get_value_type(schema_key),
                            G_VARIANT_TYPE_STRING)) {
    return nullptr;
  }
  return g_settings_get_string(settings, key);
}

}  // namespace

bool IsDarkTheme() {
  g_autoptr(GSettingsSchema) schema = LookupSchema(kInterfaceSchema);
  // A schema without a fixed path cannot be opened without naming one.
  if (!schema || !g_settings_schema_get_path(schema)) {
    return false;
  }
  g_autoptr(GSettings) settings = g_settings_new_full(schema, nullptr, nullptr);
  if (!settings) {
    return false;
  }

  // The scheme is an enum nick such as "prefer-dark": matched as stored.
  g_autofree gchar* color_scheme =
      ReadString(settings, schema, kColorSchemeKey);
  if (color_scheme && g_strrstr(color_scheme, kDark)) {
    return true;
  }

  // Theme names are free text ("Adwaita-dark", "Yaru-Dark"), so any case.
  g_autofree gchar* theme = ReadString(settings, schema, kGtkThemeKey);
  if (!theme) {
    return false;
  }
  g_autofree gchar* lower_theme = g_ascii_strdown(theme, -1);
  return g_strrstr(lower_theme, kDark) != nullptr;
}

std::string GetUsername() {
  const gchar* name = g_get_user_name();
  return name ? name : "";
}

std::string GetPlatformVersion() {
  struct utsname info = {};
  if (uname(&info) != 0) {
    return "Linux";
  }
  return std::string("Linux ") + info.release + " (" + info.machine + ")";
}

bool OpenDirectory(const std::string& path) {
  if (path.empty()) {
    return false;
  }
  // The path travels as a C string: a NUL would silently cut it short.
  if (path.find('\0') != std::string::npos) {
    return false;
  }
  // No shell: the path reaches xdg-open as one argument, whatever it holds.
  gchar* argv[] = {const_cast<gchar*>("xdg-open"),
                   const_cast<gchar*>(path.c_str()), nullptr};
  g_autoptr(GError) error = nullptr;
  // Without a request for the child's pid GLib reaps the opener itself; its
  // exit status says nothing we could act on.
  gboolean started =
      g_spawn_async(nullptr, argv, nullptr,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH |
                                             G_SPAWN_STDOUT_TO_DEV_NULL |
                                             G_SPAWN_STDERR_TO_DEV_NULL),
                    nullptr, nullptr, nullptr, &error);
  if (!started && error) {
    g_log(nullptr, G_LOG_LEVEL_WARNING, "xdg-open '%s': %s", path.c_str(),
          error->message);
  }
  return started;
}

}  // namespace common
}  // namespace quorvel
