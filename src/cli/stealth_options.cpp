#include "cli/stealth_options.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "codec/stealth/stealth_format.h"

namespace veil::cli {

double DefaultMaxRate(codec::CoverKind kind) { return codec::stealth::DefaultMaxRate(kind == codec::CoverKind::kJpeg); }

const char* RateUnit(codec::CoverKind kind) {
  return kind == codec::CoverKind::kJpeg ? "bits per non-zero AC coefficient" : "bits per pixel";
}

std::optional<double> MaxRate(const Arguments& args, CliSession& session, codec::CoverKind kind) {
  const auto given = args.Option("--max-rate");
  if (!given) return std::nullopt;
  char* end = nullptr;
  const double rate = std::strtod(given->c_str(), &end);
  if (given->empty() || *end != '\0' || !(rate > 0) || rate > 3)
    throw UsageError(std::string("--max-rate takes ") + RateUnit(kind) + ", a number above 0 and at most 3");
  if (rate > DefaultMaxRate(kind))
    session.env.err << "veilwright-cli: warning: --max-rate " << FormatRate(rate) << " is above the default cap of "
                    << FormatRate(DefaultMaxRate(kind)) << " " << RateUnit(kind)
                    << ": the more a picture carries, the easier steganalysis finds it\n";
  return rate;
}

std::string FormatRate(double rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", rate);
  return text;
}

}  // namespace veil::cli
