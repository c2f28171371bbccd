#ifndef QUORVEL_TESTS_SUPPORT_VALUE_PTR_H_
#define QUORVEL_TESTS_SUPPORT_VALUE_PTR_H_

#include <flutter_linux/flutter_linux.h>

#include <memory>

namespace quorvel {

// An owned FlValue, for members and containers where g_autoptr cannot go.
// Shared by the tests and the command-line driver.
struct FlValueUnref {
  void operator()(FlValue* value) const { fl_value_unref(value); }
};
using FlValuePtr = std::unique_ptr<FlValue, FlValueUnref>;

}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_VALUE_PTR_H_
