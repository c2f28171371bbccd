#ifndef QUORVEL_TESTS_SUPPORT_X_SERVER_TEST_H_
#define QUORVEL_TESTS_SUPPORT_X_SERVER_TEST_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/environment.h"
#include "support/record_observer.h"
#include "support/x_server.h"

namespace quorvel {
namespace testing {

// One Xvfb for a whole test suite. Each test gets DISPLAY set to it, a
// RECORD observer of everything the server does, and a connection of its own
// to read the server's state with.
class XServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = XServer::Start({}, &start_error_).release();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    if (!server_) {
      QUORVEL_SKIP_OR_FAIL("Xvfb: " + start_error_);
    }
    display_env_ =
        std::make_unique<ScopedEnv>("DISPLAY", server_->display_name());
    std::string error;
    observer_ = RecordObserver::Start(server_->display_name(), &error);
    ASSERT_TRUE(observer_) << error;
    // Opened after anything a derived SetUp did first (a layout switch): a
    // connection keeps the keymap it saw first.
    test_display_ = server_->Connect();
    ASSERT_TRUE(test_display_);
    root_ = DefaultRootWindow(test_display_.get());
  }

  void TearDown() override { observer_.reset(); }

  inline static XServer* server_ = nullptr;
  inline static std::string start_error_;
  std::unique_ptr<ScopedEnv> display_env_;
  std::unique_ptr<RecordObserver> observer_;
  DisplayPtr test_display_;
  Window root_ = 0;
};

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_X_SERVER_TEST_H_
