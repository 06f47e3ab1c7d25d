#pragma once

#include <optional>
#include <string>

#include "cli_commands/arguments.h"
#include "cli_commands/cli_session.h"

namespace veil::cli {

// The password the command line gives: --password TEXT, or --password-file
// PATH (its contents without a final line break); nothing when neither.
// Throws UsageError for both, CliFailure for a file that cannot be read.
std::optional<std::string> GivenPassword(const Arguments& args, CliSession& session);

// A password asked on the terminal, once, or twice to be sure of a new one.
// Throws CliFailure with why_needed when there is no terminal.
std::string AskPassword(CliSession& session, const std::string& prompt, const std::string& why_needed);
std::string AskNewPassword(CliSession& session, const std::string& why_needed);

}  // namespace veil::cli
