// The one exception type of the program's own failures.
#pragma once

#include <stdexcept>

namespace quillon {

// A failure of a step of an operation. The operation catches it in one place
// and reports its own prefix followed by what().
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace quillon
