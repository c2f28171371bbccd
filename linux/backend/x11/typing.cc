#include "backend/x11/typing.h"

namespace quorvel {
namespace x11 {

bool TypeText(Display*, const std::string&) {
  return false;
}

}  // namespace x11
}  // namespace quorvel
