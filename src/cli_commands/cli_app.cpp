#include "cli_commands/cli_app.h"

#include <ostream>

#include "cli_commands/cli_failure.h"
#include "cli_commands/cli_session.h"
#include "platform/file_failure.h"

namespace veil::cli {
namespace {

struct CommandEntry {
  CommandSyntax syntax;
  int (*run)(const Arguments&, CliSession&);
  const char* help;
};

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = {
      {{"inspect", 1, {}, {}},
       InspectCommand,
       "usage: veilwright-cli inspect PICTURE\n"
       "Tells whether PICTURE (a 24-bit BMP) holds a hidden file. For a clean picture it prints\n"
       "how many bytes it can take; for a marked one the hidden length, the stored extension,\n"
       "the format version and whether a password is set.\n"},
      {{"hide", 2, {"--password", "--output"}, {}},
       HideCommand,
       "usage: veilwright-cli hide PICTURE FILE [--password TEXT] [--output COPY]\n"
       "Hides FILE in PICTURE, in place, or with --output in a copy named COPY (PICTURE stays\n"
       "untouched). The stored extension is the last three characters of FILE when they follow\n"
       "a dot, else \"msg\". The password is at most 8 printable ASCII characters; it is a gate\n"
       "for extraction, not encryption.\n"},
      {{"extract", 1, {"--password", "--output", "--output-dir"}, {"--clear"}},
       ExtractCommand,
       "usage: veilwright-cli extract PICTURE [--password TEXT] [--output PATH | --output-dir DIR] [--clear]\n"
       "Writes the file hidden in PICTURE to PATH (\"-\" for standard output), or to \"output.\" plus\n"
       "the stored extension in DIR (default: the current folder). A protected picture asks for\n"
       "its password on the terminal unless --password is given. --clear wipes the marker after\n"
       "a successful extraction, so the picture reads as clean again.\n"},
      {{"clear", 1, {}, {}},
       ClearCommand,
       "usage: veilwright-cli clear PICTURE\n"
       "Wipes the marker that says PICTURE holds a file; the picture then reads as clean.\n"},
  };
  return commands;
}

constexpr const char* kUsage =
    "usage: veilwright-cli COMMAND ...\n"
    "Hides a file inside a 24-bit BMP picture and takes it out again.\n"
    "\n"
    "  inspect PICTURE\n"
    "  hide PICTURE FILE [--password TEXT] [--output COPY]\n"
    "  extract PICTURE [--password TEXT] [--output PATH | --output-dir DIR] [--clear]\n"
    "  clear PICTURE\n"
    "\n"
    "Run 'veilwright-cli COMMAND --help' for the details of a command.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

}  // namespace

int RunCli(const std::vector<std::string>& args, CliEnvironment& env) {
  std::vector<CommandSyntax> syntaxes;
  for (const auto& entry : Commands()) syntaxes.push_back(entry.syntax);
  Arguments parsed;
  try {
    parsed = ParseArguments(args, syntaxes);
  } catch (const UsageError& error) {
    env.err << "veilwright-cli: " << error.what() << "\n" << kUsage;
    return kExitUsage;
  }
  if (parsed.command.empty()) {
    env.out << kUsage;
    return kExitSuccess;
  }
  const CommandEntry* entry = nullptr;
  for (const auto& candidate : Commands())
    if (candidate.syntax.name == parsed.command) entry = &candidate;
  if (parsed.help) {
    env.out << entry->help;
    return kExitSuccess;
  }
  CliSession session(env);
  try {
    return entry->run(parsed, session);
  } catch (const UsageError& error) {
    env.err << "veilwright-cli: " << error.what() << "\n" << entry->help;
    return kExitUsage;
  } catch (const CliFailure& failure) {
    env.err << "veilwright-cli: " << failure.what() << "\n";
  } catch (const FileFailure& failure) {
    env.err << "veilwright-cli: " << failure.what() << "\n";
  }
  return kExitFailure;
}

}  // namespace veil::cli
