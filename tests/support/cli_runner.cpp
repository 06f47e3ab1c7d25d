#include "support/cli_runner.h"

#include <optional>
#include <sstream>

namespace veil::test {

CliRun RunCliHere(const std::vector<std::string>& args, const std::function<void(cli::CliEnvironment&)>& set) {
  std::ostringstream out, err;
  cli::CliEnvironment env{out, err};
  env.read_secret = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
  if (set) set(env);
  const int status = cli::RunCli(args, env);
  return {status, out.str(), err.str()};
}

}  // namespace veil::test
