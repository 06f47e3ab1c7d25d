#pragma once

#include <optional>
#include <string>

#include "cli/arguments.h"
#include "cli/cli_session.h"
#include "codec/covers/cover_kind.h"

namespace veil::cli {

// --max-rate RATE: unset when not given (the cover kind's default cap);
// above that cap, a warning that detection gets easier. Throws UsageError
// for anything but a number above 0 and at most 3.
std::optional<double> MaxRate(const Arguments& args, CliSession& session, codec::CoverKind kind);
// A kind's default cap, and what its rate counts: "bits per pixel", or a
// JPEG's "bits per non-zero AC coefficient".
double DefaultMaxRate(codec::CoverKind kind);
const char* RateUnit(codec::CoverKind kind);
std::string FormatRate(double rate);

int StealthHide(const Arguments& args, CliSession& session);

}  // namespace veil::cli
