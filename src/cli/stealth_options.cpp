#include "cli/stealth_options.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "codec/stealth/stealth_format.h"

namespace veil::cli {

double MaxRate(const Arguments& args, CliSession& session) {
  const auto given = args.Option("--max-rate");
  if (!given) return codec::stealth::kDefaultMaxRate;
  char* end = nullptr;
  const double rate = std::strtod(given->c_str(), &end);
  if (given->empty() || *end != '\0' || !(rate > 0) || rate > 3)
    throw UsageError("--max-rate takes bits per pixel, a number above 0 and at most 3");
  if (rate > codec::stealth::kDefaultMaxRate)
    session.env.err << "veilwright-cli: warning: --max-rate " << FormatRate(rate) << " is above the default cap of "
                    << FormatRate(codec::stealth::kDefaultMaxRate)
                    << " bits per pixel: the more a picture carries, the easier steganalysis finds it\n";
  return rate;
}

std::string FormatRate(double rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", rate);
  return text;
}

}  // namespace veil::cli
