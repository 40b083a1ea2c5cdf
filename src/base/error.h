// The one exception type of the program's own failures, and the one place an
// operation catches what ends it.
#pragma once

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace quillon {

// A failure of a step of an operation, described for the user (what failed,
// the file and, for bad input, the line).
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs an operation's body: nothing when it ends normally, otherwise the
// description of the std::exception that ended it. Every operation catches
// its failures here, so one failure policy holds everywhere.
template <class Body>
std::optional<std::string> failure_of(Body&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

}  // namespace quillon
