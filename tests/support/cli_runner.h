#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_app.h"

namespace veil::test {

struct CliRun {
  int status;
  std::string out, err;
};

// Runs the command-line program in this process, with no terminal to ask a
// password at; set lets a test change the rest of its environment.
CliRun RunCliHere(const std::vector<std::string>& args, const std::function<void(cli::CliEnvironment&)>& set = {});

}  // namespace veil::test
