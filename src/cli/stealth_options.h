#pragma once

#include <string>

#include "cli/arguments.h"
#include "cli/cli_session.h"

namespace veil::cli {

// --max-rate BPP: the default cap when not given; above it, a warning that
// detection gets easier. Throws UsageError for anything but a number
// above 0 and at most 3.
double MaxRate(const Arguments& args, CliSession& session);
std::string FormatRate(double rate);

int StealthHide(const Arguments& args, CliSession& session);

}  // namespace veil::cli
