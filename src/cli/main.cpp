#include <unistd.h>

#include <iostream>

#include "cli_commands/cli_app.h"

int main(int argc, char** argv) {
  veil::cli::CliEnvironment env{std::cout, std::cerr};
  env.progress_on_stderr = ::isatty(STDERR_FILENO) != 0;
  return veil::cli::RunCli({argv + 1, argv + argc}, env);
}
