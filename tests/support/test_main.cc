#include <gtest/gtest.h>

#include "support/glib_log_guard.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quorvel::testing::InstallGLibLogGuard();
  return RUN_ALL_TESTS();
}
