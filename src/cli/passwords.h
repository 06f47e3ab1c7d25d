#pragma once

#include <optional>
#include <string>

#include "cli/arguments.h"
#include "cli/cli_session.h"

namespace veil::cli {

// The password the command line gives: --password TEXT, or --password-file
// PATH ("-": standard input) read to its end, without one leading UTF-8
// byte-order mark and one final LF or CR LF; nothing when neither. Throws
// UsageError for both, CliFailure for a file that cannot be read, holds more
// than 4096 bytes or no password.
std::optional<std::string> GivenPassword(const Arguments& args, CliSession& session);

// One line on standard error when --password was given: other users see it.
void WarnOfVisiblePassword(const Arguments& args, CliSession& session);

// For a new sealed or stealth picture, by the password's estimated
// strength: a very weak one is refused (CliFailure) unless --weak-password
// is given, and then warned of; a weak one is warned of. Both lines offer
// a generated passphrase.
void JudgeNewPassword(const std::string& password, const Arguments& args, CliSession& session);

// What a new seal derives its key from (see codec::PasswordForms). Throws
// CliFailure for a password that is not UTF-8.
std::string SealingPassword(const std::string& typed);

// A password asked on the terminal, once, or twice to be sure of a new one.
// Throws CliFailure with why_needed when there is no terminal.
std::string AskPassword(CliSession& session, const std::string& prompt, const std::string& why_needed);
std::string AskNewPassword(CliSession& session, const std::string& why_needed);

}  // namespace veil::cli
