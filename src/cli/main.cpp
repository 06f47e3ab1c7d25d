#include <cstdlib>
#include <iostream>

#include "cli/cli_app.h"
#include "cli/console_start.h"
#include "codec/kernels/kernel_request.h"

int main(int argc, char** argv) {
  veil::cli::CliEnvironment env{std::cout, std::cerr};
  env.progress_on_stderr = veil::cli::StandardErrorIsATerminal();
  if (const char* kernels = std::getenv(veil::kKernelVariable)) env.kernel_request = kernels;
  return veil::cli::RunCli(veil::cli::ArgumentsOf(argc, argv), env);
}
