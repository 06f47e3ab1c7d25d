#include "cli/picture_checks.h"

#include <cstdio>

#include "cli/cli_failure.h"
#include "cli/file_formats.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/run_checks.h"
#include "messages/run_description.h"

namespace veil::cli {

carrier::BmpLayout RequireCover(const std::string& picture, RawFile& cover) {
  const carrier::BmpReading reading = carrier::ReadBmpLayout(cover);
  if (reading.IsCover()) return *reading.layout;
  if (reading.refusal.kind == carrier::BmpRefusalKind::kNotBm) {
    if (const auto format = ReadKnownFormat(cover)) {
      if (!format->picture)
        throw CliFailure(picture + ": not a picture but a " + format->name + " file (by its first bytes)");
      throw CliFailure(picture + ": a " + format->name +
                       " picture (by its first bytes), not a BMP: this program hides in 24-bit BMP pictures, and "
                       "with --stealth in PNG and JPEG pictures too");
    }
  }
  throw CliFailure(DescribeCoverRefusal(reading.refusal, picture));
}

void RequireReadableHiddenFile(const std::string& picture, const carrier::CarrierFacts& facts) {
  if (auto refusal = codec::PictureRefusal(facts)) throw CliFailure(DescribeRun(*refusal, picture, {}));
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
