#ifndef QUORVEL_TESTS_SUPPORT_VALUE_PTR_H_
#define QUORVEL_TESTS_SUPPORT_VALUE_PTR_H_

#include <flutter_linux/flutter_linux.h>

#include <memory>

namespace quorvel {
namespace testing {

// An owned FlValue, for members and containers where g_autoptr cannot go.
struct ValueUnref {
  void operator()(FlValue* value) const { fl_value_unref(value); }
};
using ValuePtr = std::unique_ptr<FlValue, ValueUnref>;

}  // namespace testing
}  // namespace quorvel

#endif  // QUORVEL_TESTS_SUPPORT_VALUE_PTR_H_
