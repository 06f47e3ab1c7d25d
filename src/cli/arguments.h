#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace veil::cli {

// A command line that does not follow a command's usage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandSyntax {
  std::string name;
  std::size_t positionals = 0;
  std::set<std::string> valued_options;  // "--password"
  std::set<std::string> flags;           // "--clear"
};

struct Arguments {
  std::string command;
  std::vector<std::string> positionals;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;
  bool help = false;
  bool version = false;

  std::optional<std::string> Option(const std::string& name) const;
  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};

// Parses args (without the program name) against the known commands. Throws
// UsageError with a one-line reason. "--" ends the options.
Arguments ParseArguments(const std::vector<std::string>& args, const std::vector<CommandSyntax>& commands);

}  // namespace veil::cli
