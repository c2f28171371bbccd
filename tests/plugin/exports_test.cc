#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// Reads the dynamic symbol table of the built library: a Flutter app must
// see the two registration functions and nothing else of ours.
std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
  std::set<std::string> symbols;
  std::string command = "nm -D --defined-only '" + library + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    return symbols;
  }
  char line[4096];
  while (fgets(line, sizeof(line), pipe)) {
    char address[64], type[8], name[2048];
    if (sscanf(line, "%63s %7s %2047s", address, type, name) == 3) {
      symbols.insert(name);
    }
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return symbols;
}

TEST(PluginExports, OnlyTheRegistrationFunctions) {
  std::set<std::string> expected = {
      "quorvel_remote_desktop_events_plugin_get_type",
      "quorvel_remote_desktop_events_plugin_register_with_registrar",
  };
  EXPECT_EQ(DefinedDynamicSymbols(PLUGIN_LIBRARY), expected);
}

TEST(PluginExports, ImportsTheEmbeddingLikeAFlutterApp) {
  std::string command =
      std::string("readelf -d '") + PLUGIN_LIBRARY + "' | grep NEEDED";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string needed;
  char line[1024];
  while (fgets(line, sizeof(line), pipe)) {
    needed += line;
  }
  pclose(pipe);
  EXPECT_NE(needed.find("[libflutter_linux_gtk.so]"), std::string::npos)
      << needed;
}

}  // namespace
