#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "files/output_file.h"
#include "platform/console/terminal_secret.h"

namespace veil::cli {

// Where the command-line program talks to: its streams, the descriptors that
// "--output -" writes to and "--password-file -" reads, how it asks for a password, and how it opens files
// (tests route them through their own opener).
struct CliEnvironment {
  std::ostream& out;
  std::ostream& err;
  int stdout_fd = 1;
  int stdin_fd = 0;                 // what "--password-file -" reads
  bool progress_on_stderr = false;  // stderr is a terminal
  std::function<std::optional<std::string>(const std::string& prompt)> read_secret = ReadSecretFromTerminal;
  OutputFile::Opener opener = OpenSystemFile;
  std::string kernel_request{};  // VEILWRIGHT_KERNEL's value: kernels forced for a test or a benchmark
};

enum ExitStatus : int { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Runs one command line (without the program name); returns the exit status.
int RunCli(const std::vector<std::string>& args, CliEnvironment& env);

}  // namespace veil::cli
