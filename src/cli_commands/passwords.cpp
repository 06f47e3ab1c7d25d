#include "cli_commands/passwords.h"

#include "cli_commands/cli_failure.h"
#include "platform/file_failure.h"

namespace veil::cli {

std::optional<std::string> GivenPassword(const Arguments& args, CliSession& session) {
  const auto text = args.Option("--password");
  const auto file = args.Option("--password-file");
  if (text && file) throw UsageError("give --password or --password-file, not both");
  if (!file) return text;
  const auto source = session.Open(*file, OpenMode::kReadOnly);
  constexpr std::uint64_t kLongest = 4096;
  if (source->Size() > kLongest) throw CliFailure(*file + ": a password file holds at most 4096 bytes");
  std::string password(static_cast<std::size_t>(source->Size()), '\0');
  ReadExactly(*source, 0, {reinterpret_cast<std::uint8_t*>(password.data()), password.size()});
  if (password.size() >= 1 && password.back() == '\n') password.pop_back();
  if (password.size() >= 1 && password.back() == '\r') password.pop_back();
  return password;
}

std::string AskPassword(CliSession& session, const std::string& prompt, const std::string& why_needed) {
  const auto typed = session.env.read_secret(prompt);
  if (!typed) throw CliFailure(why_needed + " (there is no terminal to ask on)");
  return *typed;
}

std::string AskNewPassword(CliSession& session, const std::string& why_needed) {
  const std::string first = AskPassword(session, "Password: ", why_needed);
  const std::string second = AskPassword(session, "The same password again: ", why_needed);
  if (first != second) throw CliFailure("the two passwords differ; nothing was written");
  return first;
}

}  // namespace veil::cli
