#pragma once

#include <string>

#include "codec/run_result.h"

namespace veil::forms {

// What the window says of a run that did not complete, in its own words
// (the command-line program's are English). opening_sealed: the run opened
// a sealed picture, whose broken seal has words of its own.
std::string DescribeFailure(const codec::RunResult& result, bool opening_sealed);

}  // namespace veil::forms
