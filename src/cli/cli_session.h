#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "cli/arguments.h"
#include "cli/cli_app.h"
#include "cli/console_progress.h"
#include "files/raw_file.h"

namespace veil::cli {

// One command-line run: its environment and its progress bar.
struct CliSession {
  explicit CliSession(CliEnvironment& environment)
      : env(environment), progress(stderr, environment.progress_on_stderr) {}

  std::unique_ptr<RawFile> Open(const std::string& path, OpenMode mode) { return env.opener(path, mode); }

  CliEnvironment& env;
  ConsoleProgress progress;
};

int InspectCommand(const Arguments& args, CliSession& session);
int HideCommand(const Arguments& args, CliSession& session);
int ExtractCommand(const Arguments& args, CliSession& session);
int ClearCommand(const Arguments& args, CliSession& session);
int PassphraseCommand(const Arguments& args, CliSession& session);

}  // namespace veil::cli
