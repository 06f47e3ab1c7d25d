#include "cli_commands/picture_checks.h"

#include <cstdio>

#include "cli_commands/cli_failure.h"
#include "codec/carrier_layout.h"

namespace veil::cli {

void RequireTwentyFourBit(const std::string& picture, const carrier::CarrierFacts& facts) {
  if (!facts.IsTwentyFourBit())
    throw CliFailure(picture + ": not a 24-bit BMP picture (its bit count is " +
                     std::to_string(facts.bitCount) + ")");
}

void RequireReadableHiddenFile(const std::string& picture, const carrier::CarrierFacts& facts) {
  if (!facts.HoldsFile()) throw CliFailure(picture + ": holds no hidden file");
  if (facts.Version() != 1)
    throw CliFailure(picture + ": its hidden file has format version " + std::to_string(facts.Version()) +
                     ", which this program does not know (it reads version 1)");
  if (!facts.pixelOffsetUsable)
    throw CliFailure(picture + ": damaged: its pixel-data offset " + std::to_string(facts.pixelOffset) +
                     " lies outside the file");
  if (!facts.Complete())
    throw CliFailure(picture + ": damaged: it ends at byte " + std::to_string(facts.fileLength) +
                     ", but its hidden file of " + std::to_string(facts.HiddenLength()) + " bytes needs " +
                     std::to_string(facts.pixelOffset + carrier::BytesNeeded(facts.HiddenLength())));
}

std::string PrintableBytes(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

}  // namespace veil::cli
