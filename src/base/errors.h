#pragma once
#include <stdexcept>
#include <string>

namespace tabulon {

// The one error type of the windows: a missing control element, a
// browser that refuses a command, a property that cannot take a value.
class ControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs one step of a procedure in which a failing step is skipped and the
// procedure goes on. Returns whether the step succeeded.
template <typename Step>
bool TryStep(Step&& step) {
  try {
    step();
    return true;
  } catch (const ControlError&) {
    return false;
  }
}

}  // namespace tabulon
