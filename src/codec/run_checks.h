#pragma once

#include <optional>

#include "codec/carrier_reader.h"
#include "codec/run_result.h"
#include "platform/file_failure.h"

namespace veil::codec {

// The failures that both runs report in the same way.
std::optional<RunResult> PixelOffsetProblem(const carrier::CarrierFacts& facts);
RunResult IoFailure(const FileFailure& failure);

}  // namespace veil::codec
