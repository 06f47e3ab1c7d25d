#include <ostream>

#include "cli_commands/cli_failure.h"
#include "cli_commands/cli_session.h"
#include "cli_commands/picture_checks.h"
#include "codec/carrier_layout.h"
#include "codec/carrier_reader.h"

namespace veil::cli {

int InspectCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const auto facts = carrier::ReadCarrierFacts(*session.Open(picture, OpenMode::kReadOnly));
  RequireTwentyFourBit(picture, facts);
  std::ostream& out = session.env.out;
  out << picture << ": 24-bit BMP, " << facts.fileLength << " bytes\n";
  if (!facts.HoldsFile()) {
    out << "hidden file: none\n";
    if (!facts.pixelOffsetUsable) {
      out << "capacity: none (the pixel-data offset " << facts.pixelOffset << " lies outside the picture)\n";
    } else {
      out << "capacity: " << carrier::CapacityBytes(facts.fileLength, facts.pixelOffset) << " bytes"
          << " (the window's hint: " << carrier::KilobyteHint(facts.fileLength) << " KB)\n";
    }
    return kExitSuccess;
  }
  out << "hidden file: " << facts.HiddenLength() << " bytes\n";
  out << "extension: " << PrintableBytes(facts.extension) << "\n";
  out << "format version: " << facts.Version() << "\n";
  out << "password: " << (facts.HasPassword() ? "yes" : "no") << "\n";
  if (!facts.Complete()) out << "damaged: the picture ends before the hidden file does\n";
  return kExitSuccess;
}

}  // namespace veil::cli
