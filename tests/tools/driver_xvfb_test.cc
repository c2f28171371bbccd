// The driver executable against the built plugin library on a private Xvfb.

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "driver_run.h"
#include "support/environment.h"
#include "support/scratch_dir.h"
#include "support/x_server.h"

namespace quorvel {
namespace testing {
namespace {

TEST(DriverOnXvfb, MovesThePointerAndListsTheScreen) {
  std::string error;
  std::unique_ptr<XServer> server = XServer::Start({}, &error);
  if (!server) {
    QUORVEL_SKIP_OR_FAIL("Xvfb: " + error);
  }
  ScratchDir scratch;
  ASSERT_TRUE(WriteFile(scratch.File("session.txt"),
                        "moveMouse x=100 y=200\n"
                        "getMouseCoords\n"
                        "screenSize\n"
                        "screenList\n"));

  const DriverRun run =
      RunDriver({"--script", scratch.File("session.txt")},
                {{"DISPLAY", server->display_name()}}, scratch.path());

  EXPECT_EQ(run.exit_status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 4u) << run.out;
  EXPECT_EQ(run.lines[0], "moveMouse {x: 100, y: 200} -> success null");
  EXPECT_EQ(run.lines[1], "getMouseCoords -> success \"100:200\"");
  EXPECT_EQ(run.lines[2], "screenSize -> success \"1280:1024\"");
  // Xvfb has one RandR output, whose id the server chooses.
  EXPECT_TRUE(std::regex_match(
      run.lines[3],
      std::regex("screenList -> success \\[\"[0-9]+@1280:1024:0:0:1\"\\]")))
      << run.lines[3];
  EXPECT_NE(run.err.find("[X11Backend] XOpenDisplay(NULL): display=0x"),
            std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace testing
}  // namespace quorvel
