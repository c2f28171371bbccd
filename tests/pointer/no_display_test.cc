#include <gtest/gtest.h>

#include "backend/backend.h"

#include "support/environment.h"
#include "support/stderr_capture.h"

namespace quorvel {
namespace {

using testing::ScopedEnv;
using testing::StderrCapture;

TEST(NoDisplayTest, PointerScreenAndCursorOperationsAreSilentAndEmpty) {
  ScopedEnv display("DISPLAY", std::nullopt);
  std::unique_ptr<Backend> backend = CreateBackend();

  StderrCapture stderr_capture;
  backend->MoveMouse(10, 20);
  backend->DragMouse(10, 20);
  backend->WheelMouse(0, 0, 3);
  backend->MouseClick(10, 20, "Down", "Right");
  backend->DoubleClick(10, 20);
  backend->HideCursor();
  backend->ShowCursor();

  int32_t x = 77;
  int32_t y = 88;
  EXPECT_FALSE(backend->GetMouseCoords(&x, &y));
  EXPECT_EQ(x, 77);
  EXPECT_EQ(y, 88);
  int32_t width = 77;
  int32_t height = 88;
  EXPECT_FALSE(backend->GetScreenSize(&width, &height));
  EXPECT_EQ(width, 77);
  EXPECT_EQ(height, 88);
  EXPECT_TRUE(backend->GetScreenList().empty());
  backend.reset();
  EXPECT_EQ(stderr_capture.Finish(), "");
}

}  // namespace
}  // namespace quorvel
