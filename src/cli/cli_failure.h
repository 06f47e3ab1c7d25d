#pragma once

#include <stdexcept>

namespace veil::cli {

// A command that cannot be done: one English line naming the file and cause.
class CliFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace veil::cli
