#include "cli/passwords.h"

#include <cmath>
#include <ostream>

#include "cli/cli_failure.h"
#include "codec/seal/passphrase.h"
#include "codec/seal/password_strength.h"
#include "codec/seal/seal_password.h"
#include "files/file_failure.h"

namespace veil::cli {
namespace {

constexpr std::size_t kLongest = 4096;

// A password file read to its end, whatever it is (a FIFO, "<(...)",
// standard input): one leading byte-order mark and one final line break
// (LF or CR LF) are not part of the password; other blanks are.
std::string ReadPasswordFile(const std::string& path, CliSession& session) {
  const bool standard_input = path == "-";
  const std::string name = standard_input ? std::string("standard input") : path;
  const auto source =
      standard_input ? OpenStreamSource(session.env.stdin_fd, name) : session.Open(path, OpenMode::kReadStream);
  const auto bytes = ReadFront(*source, kLongest + 1);
  if (bytes.size() > kLongest) throw CliFailure(name + ": a password file holds at most 4096 bytes");
  std::string password(bytes.begin(), bytes.end());
  if (password.rfind("\xEF\xBB\xBF", 0) == 0) password.erase(0, 3);
  if (!password.empty() && password.back() == '\n') {
    password.pop_back();
    if (!password.empty() && password.back() == '\r') password.pop_back();
  }
  if (password.empty()) throw CliFailure(name + ": the password file is empty");
  return password;
}

// "about 10^7 guesses", or "1 guess" for a password zxcvbn finds at once.
std::string Guesses(const codec::PasswordStrength& strength) {
  const long decades = std::lround(strength.Log10Guesses());
  return decades == 0 ? std::string("1 guess") : "about 10^" + std::to_string(decades) + " guesses";
}

std::string Offer() {
  const codec::Passphrase phrase = codec::GeneratePassphrase();
  if (phrase.text.empty()) return "'veilwright-cli passphrase' makes a strong one";
  return "a generated one (" + std::to_string(static_cast<long>(std::floor(phrase.bits))) +
         " bits, 'veilwright-cli passphrase' makes others): " + phrase.text;
}

}  // namespace

std::optional<std::string> GivenPassword(const Arguments& args, CliSession& session) {
  const auto text = args.Option("--password");
  const auto file = args.Option("--password-file");
  if (text && file) throw UsageError("give --password or --password-file, not both");
  if (!file) return text;
  return ReadPasswordFile(*file, session);
}

void WarnOfVisiblePassword(const Arguments& args, CliSession& session) {
  if (args.Option("--password"))
    session.env.err << "veilwright-cli: warning: --password is visible to other users of this machine "
                       "(in the process list); prefer --password-file or the prompt\n";
}

void JudgeNewPassword(const std::string& password, const Arguments& args, CliSession& session) {
  const auto strength = codec::EstimatePasswordStrength(password);
  if (!strength) return;
  // Each guess an attacker makes costs one key derivation and gets an exact
  // answer: the estimate is of how many they need.
  const std::string estimate = " (" + Guesses(*strength) + " to find it)";
  if (strength->level == codec::PasswordLevel::kVeryWeak) {
    if (!args.Flag("--weak-password"))
      throw CliFailure("the password is very weak" + estimate +
                       "; use a longer passphrase, or --weak-password to use it anyway; nothing was written; " +
                       Offer());
    session.env.err << "veilwright-cli: warning: the password is very weak" << estimate
                    << "; --weak-password uses it anyway; " << Offer() << "\n";
  } else if (strength->level == codec::PasswordLevel::kWeak) {
    session.env.err << "veilwright-cli: warning: the password is weak" << estimate << "; a longer passphrase is safer; "
                    << Offer() << "\n";
  }
}

std::string SealingPassword(const std::string& typed) {
  const codec::SealPasswordForms forms = codec::PasswordForms(typed);
  if (!forms.utf8) throw CliFailure("the password is not UTF-8 text; a sealed picture needs one that is");
  return forms.sealing;
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
