#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "support/environment.h"
#include "support/plugin_channel.h"
#include "support/scratch_dir.h"

namespace quorvel {
namespace {

using testing::PluginChannel;
using testing::Reply;
using testing::ScopedEnv;
using testing::ScratchDir;

constexpr char kSchemaSources[] = QUORVEL_SOURCE_DIR "/tests/desktop/schemas";
// Directories that do not exist, so the machine's own schemas stay hidden:
// GSETTINGS_SCHEMA_DIR alone adds a directory but does not hide the others.
constexpr char kNoDataDir[] = "/nonexistent/quorvel-test/data";

struct ProbeResult {
  bool exited_cleanly = false;
  std::string answer;
  std::string diagnostics;
};

// Each case compiles nothing itself: the schema variants under
// tests/desktop/schemas are compiled once for the suite.
class DarkThemeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    schemas_ = new ScratchDir();
    g_autofree gchar* compiler = g_find_program_in_path("glib-compile-schemas");
    if (!compiler) {
      compile_error_ = "glib-compile-schemas not found";
      return;
    }
    for (const auto& entry :
         std::filesystem::directory_iterator(kSchemaSources)) {
      std::string variant = entry.path().filename().string();
      std::string target = schemas_->File(variant);
      std::filesystem::create_directories(target);
      const gchar* argv[] = {compiler, "--strict", nullptr,
                             entry.path().c_str(), nullptr};
      std::string target_arg = "--targetdir=" + target;
      argv[2] = target_arg.c_str();
      gint status = 0;
      g_autofree gchar* errors = nullptr;
      if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                        G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr,
                        &errors, &status, nullptr) ||
          !g_spawn_check_wait_status(status, nullptr)) {
        compile_error_ =
            "cannot compile " + variant + ": " + (errors ? errors : "");
        return;
      }
    }
  }

  static void TearDownTestSuite() {
    delete schemas_;
    schemas_ = nullptr;
  }

  void SetUp() override {
    if (!compile_error_.empty()) {
      QUORVEL_SKIP_OR_FAIL(compile_error_);
    }
  }

  // Runs the probe with the schemas of `variant` (none at all when empty)
  // and the keyfile settings backend holding `values` (GVariant text).
  ProbeResult Probe(const std::string& variant,
                    const std::map<std::string, std::string>& values) {
    ScratchDir home;
    std::string config = home.File("config");
    std::filesystem::create_directories(config + "/glib-2.0/settings");
    std::string keyfile = "[org/gnome/desktop/interface]\n";
    for (const auto& [key, value] : values) {
      keyfile.append(key).append("=").append(value).append("\n");
    }
    EXPECT_TRUE(
        testing::WriteFile(config + "/glib-2.0/settings/keyfile", keyfile));

    g_auto(GStrv) envp = g_get_environ();
    auto set = [&envp](const char* name, const std::string& value) {
      envp = g_environ_setenv(envp, name, value.c_str(), TRUE);
    };
    if (variant.empty()) {
      envp = g_environ_unsetenv(envp, "GSETTINGS_SCHEMA_DIR");
    } else {
      set("GSETTINGS_SCHEMA_DIR", schemas_->File(variant));
    }
    set("XDG_DATA_DIRS", kNoDataDir);
    set("XDG_DATA_HOME", kNoDataDir);
    // A real backend that reads plain files: no dconf, no session bus.
    set("GSETTINGS_BACKEND", "keyfile");
    set("XDG_CONFIG_HOME", config);
    set("HOME", home.path());
    set("DBUS_SESSION_BUS_ADDRESS", std::string("unix:path=") + kNoDataDir);

    const gchar* argv[] = {QUORVEL_DARK_THEME_PROBE, nullptr};
    ProbeResult result;
    g_autofree gchar* out = nullptr;
    g_autofree gchar* errors = nullptr;
    gint status = 0;
    g_autoptr(GError) error = nullptr;
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), envp, G_SPAWN_DEFAULT,
                      nullptr, nullptr, &out, &errors, &status, &error)) {
      result.diagnostics = error->message;
      return result;
    }
    result.exited_cleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.answer = out ? out : "";
    if (!result.answer.empty() && result.answer.back() == '\n') {
      result.answer.pop_back();
    }
    result.diagnostics =
        "status " + std::to_string(status) + ": " + (errors ? errors : "");
    return result;
  }

  static ScratchDir* schemas_;
  static std::string compile_error_;
};

ScratchDir* DarkThemeTest::schemas_ = nullptr;
std::string DarkThemeTest::compile_error_;

struct ThemeCase {
  const char* name;
  const char* variant;  // empty: no schema directory at all
  std::map<std::string, std::string> values;
  const char* answer;
};

TEST_F(DarkThemeTest, AnswersFromColorSchemeThenGtkTheme) {
  const ThemeCase cases[] = {
      // The scheme decides when it says dark: the light theme is not asked.
      {"prefer-dark",
       "interface",
       {{"color-scheme", "'prefer-dark'"}, {"gtk-theme", "'Adwaita'"}},
       "dark"},
      {"prefer-dark without gtk-theme",
       "no-gtk-theme",
       {{"color-scheme", "'prefer-dark'"}},
       "dark"},
      {"default scheme, dark theme",
       "interface",
       {{"color-scheme", "'default'"}, {"gtk-theme", "'Adwaita-dark'"}},
       "dark"},
      {"default scheme, light theme",
       "interface",
       {{"color-scheme", "'default'"}, {"gtk-theme", "'Adwaita'"}},
       "light"},
      {"dark at the start of the theme",
       "interface",
       {{"color-scheme", "'default'"}, {"gtk-theme", "'Darkness'"}},
       "dark"},
      {"theme in capitals",
       "interface",
       {{"color-scheme", "'prefer-light'"}, {"gtk-theme", "'Yaru-DARK'"}},
       "dark"},
      {"schema defaults", "interface", {}, "light"},
      {"upper-case scheme alone",
       "string-color-scheme",
       {{"color-scheme", "'DARK'"}, {"gtk-theme", "'Adwaita'"}},
       "light"},
      {"upper-case scheme, dark theme",
       "string-color-scheme",
       {{"color-scheme", "'DARK'"}, {"gtk-theme", "'Adwaita-dark'"}},
       "dark"},
      {"dark inside the scheme",
       "string-color-scheme",
       {{"color-scheme", "'darker'"}, {"gtk-theme", "'Adwaita'"}},
       "dark"},
      {"no color-scheme, dark theme",
       "no-color-scheme",
       {{"color-scheme", "'prefer-dark'"}, {"gtk-theme", "'Adwaita-dark'"}},
       "dark"},
      {"no color-scheme, light theme",
       "no-color-scheme",
       {{"color-scheme", "'prefer-dark'"}, {"gtk-theme", "'Adwaita'"}},
       "light"},
      {"no gtk-theme, default scheme",
       "no-gtk-theme",
       {{"color-scheme", "'default'"}},
       "light"},
      {"keys that are not text", "not-strings", {}, "light"},
      {"schema not installed",
       "unrelated",
       {{"color-scheme", "'prefer-dark'"}},
       "light"},
      {"no schema directory at all",
       "",
       {{"color-scheme", "'prefer-dark'"}},
       "light"},
  };
  for (const ThemeCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProbeResult result = Probe(c.variant, c.values);
    EXPECT_TRUE(result.exited_cleanly) << result.diagnostics;
    EXPECT_EQ(result.answer, c.answer) << result.diagnostics;
  }
}

// The one test of this binary that uses GSettings in-process, through the
// channel: GSettings fixes its schema directories and its backend at their
// first use in a process, so these are set before anything else asks.
TEST_F(DarkThemeTest, ChannelRepliesTheAnswerAsABool) {
  ScopedEnv schema_dir("GSETTINGS_SCHEMA_DIR", schemas_->File("interface"));
  ScopedEnv data_dirs("XDG_DATA_DIRS", kNoDataDir);
  ScopedEnv data_home("XDG_DATA_HOME", kNoDataDir);
  ScopedEnv backend_name("GSETTINGS_BACKEND", "memory");
  ScopedEnv session_bus("DBUS_SESSION_BUS_ADDRESS",
                        std::string("unix:path=") + kNoDataDir);
  ScopedEnv display("DISPLAY", std::nullopt);

  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  ASSERT_NE(source, nullptr);
  g_autoptr(GSettingsSchema) schema = g_settings_schema_source_lookup(
      source, "org.gnome.desktop.interface", TRUE);
  ASSERT_NE(schema, nullptr);
  g_autoptr(GSettings) settings = g_settings_new_full(schema, nullptr, nullptr);
  g_autoptr(GSettingsBackend) backend = nullptr;
  g_object_get(settings, "backend", &backend, nullptr);
  // Writes below must never reach a real settings store.
  ASSERT_STREQ(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend");

  struct Setting {
    const char* color_scheme;
    const char* gtk_theme;
    bool dark;
  };
  const Setting settings_cases[] = {
      {"prefer-dark", "Adwaita", true},
      {"default", "Adwaita", false},
      {"default", "Adwaita-dark", true},
      {"prefer-light", "Adwaita", false},
  };
  PluginChannel channel;
  for (const Setting& c : settings_cases) {
    SCOPED_TRACE(std::string(c.color_scheme) + " " + c.gtk_theme);
    ASSERT_TRUE(
        g_settings_set_string(settings, "color-scheme", c.color_scheme));
    ASSERT_TRUE(g_settings_set_string(settings, "gtk-theme", c.gtk_theme));
    Reply reply = channel.Invoke("getPlatformTheme");
    ASSERT_EQ(reply.kind, Reply::kSuccess);
    ASSERT_EQ(fl_value_get_type(reply.result.get()), FL_VALUE_TYPE_BOOL);
    EXPECT_EQ(fl_value_get_bool(reply.result.get()), c.dark);
  }
}

}  // namespace
}  // namespace quorvel
