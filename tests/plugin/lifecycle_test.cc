#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "include/quorvel_remote_desktop_events_linux/quorvel_remote_desktop_events_plugin.h"
#include "plugin/recording_backend.h"
#include "plugin/reply_bytes.h"
#include "support/channel_methods.h"
#include "support/plugin_channel.h"

namespace quorvel {
namespace testing {
namespace {

// Registration keeps no pointer to the plugin, so the tests learn it by
// wrapping the class's `constructed` slot.
GObject* g_last_plugin = nullptr;
void (*g_parent_constructed)(GObject*) = nullptr;

void RecordConstructed(GObject* object) {
  g_last_plugin = object;
  if (g_parent_constructed) {
    g_parent_constructed(object);
  }
}

class LifecycleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto* klass = G_OBJECT_CLASS(
        g_type_class_ref(quorvel_remote_desktop_events_plugin_get_type()));
    g_parent_constructed = klass->constructed;
    klass->constructed = RecordConstructed;
  }
};

TEST_F(LifecycleTest, EngineDroppingTheHandlerDestroysTheBackendOnce) {
  PluginChannel channel;
  int destroyed = RecordingBackend::destroyed_count();
  ASSERT_NE(RecordingBackend::last(), nullptr);

  channel.Shutdown();

  EXPECT_EQ(RecordingBackend::destroyed_count(), destroyed + 1);
}

TEST_F(LifecycleTest, ExplicitDisposeThenReleaseDestroysOnce) {
  int destroyed = RecordingBackend::destroyed_count();
  GObject* plugin = G_OBJECT(
      g_object_new(quorvel_remote_desktop_events_plugin_get_type(), nullptr));
  EXPECT_EQ(RecordingBackend::destroyed_count(), destroyed);

  g_object_run_dispose(plugin);
  EXPECT_EQ(RecordingBackend::destroyed_count(), destroyed + 1);

  g_object_unref(plugin);
  EXPECT_EQ(RecordingBackend::destroyed_count(), destroyed + 1);
}

TEST_F(LifecycleTest, DisposedPluginAnswersUnavailableToEveryName) {
  PluginChannel channel;
  ASSERT_NE(g_last_plugin, nullptr);
  int destroyed = RecordingBackend::destroyed_count();

  g_object_run_dispose(g_last_plugin);
  ASSERT_EQ(RecordingBackend::destroyed_count(), destroyed + 1);

  std::vector<std::string> names(std::begin(kChannelMethods),
                                 std::end(kChannelMethods));
  names.push_back("MoveMouse");
  names.push_back("noSuchMethod");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    Reply reply = channel.Invoke(name, nullptr);
    EXPECT_EQ(reply.bytes, UnavailableReply());
  }

  // The handler's reference goes last; dispose runs again and finds nothing.
  channel.Shutdown();
  EXPECT_EQ(RecordingBackend::destroyed_count(), destroyed + 1);
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
