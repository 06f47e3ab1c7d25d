#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/console/console_message_boxes.h"

namespace veil::cli {

// Where the command-line program talks to: its streams, the descriptor that
// "--output -" writes to, and how it asks for a password.
struct CliEnvironment {
  std::ostream& out;
  std::ostream& err;
  int stdout_fd = 1;
  bool progress_on_stderr = false;  // stderr is a terminal
  ConsoleMessageBoxes::SecretReader read_secret = ReadSecretFromTerminal;
};

enum ExitStatus : int { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Runs one command line (without the program name); returns the exit status.
int RunCli(const std::vector<std::string>& args, CliEnvironment& env);

}  // namespace veil::cli
