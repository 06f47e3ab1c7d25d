#include <cmath>
#include <ostream>

#include "cli/cli_failure.h"
#include "cli/cli_session.h"
#include "codec/seal/passphrase.h"

namespace veil::cli {

// The passphrase alone on standard output, so that it can go to a file for
// --password-file; what it is worth on standard error.
int PassphraseCommand(const Arguments&, CliSession& session) {
  const codec::Passphrase phrase = codec::GeneratePassphrase();
  if (phrase.text.empty()) throw CliFailure("libsodium cannot start: there is no random source to draw words from");
  session.env.out << phrase.text << "\n";
  session.env.err << "veilwright-cli: " << codec::kPassphraseWords << " words drawn at random from a list of "
                  << codec::PassphraseList().size() << ": " << static_cast<long>(std::floor(phrase.bits))
                  << " bits (about 10^" << std::lround(phrase.bits * std::log10(2.0)) << " guesses)\n";
  return kExitSuccess;
}

}  // namespace veil::cli
