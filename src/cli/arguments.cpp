#include "cli/arguments.h"

#include <algorithm>

namespace veil::cli {

std::optional<std::string> Arguments::Option(const std::string& name) const {
  auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

Arguments ParseArguments(const std::vector<std::string>& args, const std::vector<CommandSyntax>& commands) {
  Arguments parsed;
  if (args.empty()) throw UsageError("no command given");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    parsed.help = true;
    return parsed;
  }
  if (args[0] == "--version" || args[0] == "-V") {
    if (args.size() > 1) throw UsageError("--version takes nothing after it");
    parsed.version = true;
    return parsed;
  }
  auto syntax =
      std::find_if(commands.begin(), commands.end(), [&](const CommandSyntax& c) { return c.name == args[0]; });
  if (syntax == commands.end()) throw UsageError("unknown command '" + args[0] + "'");
  parsed.command = args[0];

  bool options_ended = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg.rfind("--", 0) != 0) {
      if (!options_ended && arg.size() > 1 && arg[0] == '-' && arg != "-" && arg != "-h")
        throw UsageError("unknown option '" + arg + "'");
      if (!options_ended && arg == "-h") {
        parsed.help = true;
        continue;
      }
      parsed.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "--help") {
      parsed.help = true;
      continue;
    }
    const auto eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (syntax->flags.count(name)) {
      if (eq != std::string::npos) throw UsageError("option '" + name + "' takes no value");
      parsed.flags.insert(name);
      continue;
    }
    if (!syntax->valued_options.count(name)) throw UsageError("unknown option '" + name + "'");
    std::string value;
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
    } else {
      if (i + 1 >= args.size()) throw UsageError("option '" + name + "' needs a value");
      value = args[++i];
    }
    if (parsed.options.count(name)) throw UsageError("option '" + name + "' given twice");
    parsed.options[name] = value;
  }
  if (parsed.help) return parsed;
  if (parsed.positionals.size() != syntax->positionals)
    throw UsageError("'" + parsed.command + "' takes " + std::to_string(syntax->positionals) +
                     (syntax->positionals == 1 ? " file" : " files") + ", not " +
                     std::to_string(parsed.positionals.size()));
  return parsed;
}

}  // namespace veil::cli
