#include <iostream>

#include "cli/cli_app.h"
#include "cli/console_start.h"

int main(int argc, char** argv) {
  veil::cli::CliEnvironment env{std::cout, std::cerr};
  env.progress_on_stderr = veil::cli::StandardErrorIsATerminal();
  return veil::cli::RunCli(veil::cli::ArgumentsOf(argc, argv), env);
}
