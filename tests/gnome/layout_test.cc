// What the GNOME backend believes the compositor can type, read from the
// shell's input sources through a real (in-memory) GSettings backend.

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <string>

#include "backend/gnome/layout.h"
#include "support/environment.h"

namespace quorvel {
namespace {

TEST(InputSourceIdTest, SplitsLayoutAndVariant) {
  const struct {
    const char* id;
    const char* layout;
    const char* variant;
  } cases[] = {
      {"us", "us", ""},
      {"de+nodeadkeys", "de", "nodeadkeys"},
      {"us+alt-intl", "us", "alt-intl"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    gnome::LayoutNames names;
    gnome::SplitInputSourceId(c.id, &names);
    EXPECT_EQ(names.layout, c.layout) << c.id;
    EXPECT_EQ(names.variant, c.variant) << c.id;
  }
}

// The layout in use follows the shell's most recent input source, as the
// user switches, and the configured sources when there is none yet.
TEST(ActiveLayoutTest, FollowsTheInputSourceInUse) {
  testing::ScopedEnv backend("GSETTINGS_BACKEND", std::string("memory"));
  g_autoptr(GSettingsSchema) schema =
      g_settings_schema_source_lookup(g_settings_schema_source_get_default(),
                                      "org.gnome.desktop.input-sources", TRUE);
  if (!schema) {
    QUORVEL_SKIP_OR_FAIL("no org.gnome.desktop.input-sources schema");
  }
  g_autoptr(GSettings) settings =
      g_settings_new("org.gnome.desktop.input-sources");
  auto set = [&](const char* key, const char* text) {
    ASSERT_TRUE(
        g_settings_set_value(settings, key, g_variant_new_parsed(text)));
  };
  set("sources", "[('xkb', 'de'), ('xkb', 'us')]");
  set("mru-sources", "@a(ss) []");
  gnome::ActiveLayout layout;

  const struct {
    const char* mru_sources;
    bool types_udiaeresis;
  } steps[] = {
      {"@a(ss) []", true},
      {"[('xkb', 'us'), ('xkb', 'de')]", false},
      {"[('ibus', 'anthy'), ('xkb', 'de+nodeadkeys')]", true},
  };
  for (const auto& step : steps) {
    set("mru-sources", step.mru_sources);
    const gnome::LayoutKeysyms* keysyms = layout.Current();
    ASSERT_TRUE(keysyms) << step.mru_sources;
    EXPECT_EQ(keysyms->Produces(XKB_KEY_udiaeresis), step.types_udiaeresis)
        << step.mru_sources;
    EXPECT_TRUE(keysyms->Produces(XKB_KEY_a)) << step.mru_sources;
  }
}

}  // namespace
}  // namespace quorvel
