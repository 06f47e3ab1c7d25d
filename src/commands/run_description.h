#pragma once

#include <string>

#include "codec/run_result.h"

namespace veil {

// One English line for a run that did not complete, naming the picture and
// the file concerned where they matter: for the command-line program's
// errors and for reports.
std::string DescribeRun(const codec::RunResult& result, const std::string& picture, const std::string& file);

}  // namespace veil
