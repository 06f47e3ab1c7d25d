#include "cli_commands/picture_checks.h"

#include <cstdio>

#include "cli_commands/cli_failure.h"
#include "codec/carrier_layout.h"
#include "codec/run_checks.h"
#include "commands/run_description.h"

namespace veil::cli {

void RequireTwentyFourBit(const std::string& picture, const carrier::CarrierFacts& facts) {
  if (!facts.IsTwentyFourBit())
    throw CliFailure(picture + ": not a 24-bit BMP picture (its bit count is " +
                     std::to_string(facts.bitCount) + ")");
}

void RequireReadableHiddenFile(const std::string& picture, const carrier::CarrierFacts& facts) {
  if (auto refusal = codec::PictureRefusal(facts)) throw CliFailure(DescribeRun(*refusal, picture, {}));
}

void RequireUsablePixelOffset(const std::string& picture, const carrier::CarrierFacts& facts) {
  if (auto problem = codec::PixelOffsetProblem(facts)) throw CliFailure(DescribeRun(*problem, picture, {}));
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
