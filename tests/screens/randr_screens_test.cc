#include <gtest/gtest.h>

#include "backend/x11/randr_screens.h"

#include <map>
#include <string>
#include <vector>

namespace quorvel {
namespace x11 {
namespace {

// Hand-made RandR records; logs every release so the test can check that
// each record is freed once, the CRTC's before its output's.
class FakeRandr : public RandrReader {
 public:
  void AddOutput(RROutput id, Connection connection, RRCrtc crtc) {
    outputs_[id] = {connection, crtc};
  }
  void AddCrtc(RRCrtc id, int x, int y, unsigned width, unsigned height) {
    crtcs_[id] = {x, y, width, height};
  }

  OutputInfoPtr GetOutputInfo(RROutput id) override {
    auto found = outputs_.find(id);
    if (found == outputs_.end()) {
      return OutputInfoPtr(nullptr, FreeOutput);
    }
    log().push_back("get output " + std::to_string(id));
    auto* info = new XRROutputInfo();
    info->connection = found->second.connection;
    info->crtc = found->second.crtc;
    info->timestamp = id;  // lets FreeOutput name the record
    return OutputInfoPtr(info, FreeOutput);
  }

  CrtcInfoPtr GetCrtcInfo(RRCrtc id) override {
    auto found = crtcs_.find(id);
    if (found == crtcs_.end()) {
      return CrtcInfoPtr(nullptr, FreeCrtc);
    }
    log().push_back("get crtc " + std::to_string(id));
    auto* info = new XRRCrtcInfo();
    info->x = found->second.x;
    info->y = found->second.y;
    info->width = found->second.width;
    info->height = found->second.height;
    info->timestamp = id;
    return CrtcInfoPtr(info, FreeCrtc);
  }

  static std::vector<std::string>& log() {
    static std::vector<std::string> log;
    return log;
  }

 private:
  struct Output {
    Connection connection;
    RRCrtc crtc;
  };
  struct Crtc {
    int x, y;
    unsigned width, height;
  };

  static void FreeOutput(XRROutputInfo* info) {
    log().push_back("free output " + std::to_string(info->timestamp));
    delete info;
  }
  static void FreeCrtc(XRRCrtcInfo* info) {
    log().push_back("free crtc " + std::to_string(info->timestamp));
    delete info;
  }

  std::map<RROutput, Output> outputs_;
  std::map<RRCrtc, Crtc> crtcs_;
};

std::vector<std::string> Describe(const std::vector<ScreenInfo>& screens) {
  std::vector<std::string> text;
  for (const ScreenInfo& s : screens) {
    text.push_back(std::to_string(s.id) + "@" + std::to_string(s.width) + ":" +
                   std::to_string(s.height) + ":" + std::to_string(s.x) + ":" +
                   std::to_string(s.y) + ":" + std::to_string(s.scale));
  }
  return text;
}

TEST(RandrScreensTest, ListsConnectedOutputsWithCrtcsInOutputOrder) {
  FakeRandr randr;
  FakeRandr::log().clear();
  randr.AddCrtc(10, 0, 0, 1920, 1080);
  randr.AddCrtc(11, 1920, -200, 1024, 768);
  randr.AddCrtc(12, 0, 0, 800, 600);
  randr.AddOutput(5, RR_Connected, 11);          // listed first: output order
  randr.AddOutput(1, RR_Connected, 10);          // mirror pair on one CRTC
  randr.AddOutput(2, RR_Connected, 10);          //
  randr.AddOutput(3, RR_UnknownConnection, 12);  // unknown: skipped
  randr.AddOutput(4, RR_Disconnected, 12);       // disconnected, has a CRTC
  randr.AddOutput(6, RR_Connected, 0);           // switched off
  randr.AddOutput(7, RR_Connected, 99);          // CRTC unreadable
  // Output 8 is unknown to the fake: its info cannot be read.
  const RROutput outputs[] = {5, 8, 1, 3, 2, 4, 6, 7};

  EXPECT_EQ(Describe(ScreensFromRandr(outputs, 8, randr)),
            (std::vector<std::string>{"5@1024:768:1920:-200:1.000000",
                                      "1@1920:1080:0:0:1.000000",
                                      "2@1920:1080:0:0:1.000000"}));
  EXPECT_EQ(
      FakeRandr::log(),
      (std::vector<std::string>{
          "get output 5", "get crtc 11",   "free crtc 11", "free output 5",
          "get output 1", "get crtc 10",   "free crtc 10", "free output 1",
          "get output 3", "free output 3", "get output 2", "get crtc 10",
          "free crtc 10", "free output 2", "get output 4", "free output 4",
          "get output 6", "free output 6", "get output 7", "free output 7"}));
}

TEST(RandrScreensTest, NoOutputsGiveAnEmptyList) {
  FakeRandr randr;
  EXPECT_TRUE(ScreensFromRandr(nullptr, 0, randr).empty());
}

TEST(RandrScreensTest, IdKeepsTheLow32BitsOfTheOutput) {
  FakeRandr randr;
  randr.AddCrtc(1, 0, 0, 10, 10);
  randr.AddOutput(0x7fffffff, RR_Connected, 1);
  const RROutput outputs[] = {0x7fffffff};
  const std::vector<ScreenInfo> screens = ScreensFromRandr(outputs, 1, randr);
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_EQ(screens[0].id, 0x7fffffffu);
  EXPECT_EQ(screens[0].scale, 1.0);
}

}  // namespace
}  // namespace x11
}  // namespace quorvel
