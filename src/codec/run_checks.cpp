#include "codec/run_checks.h"

namespace veil::codec {

std::optional<RunResult> PixelOffsetProblem(const carrier::CarrierFacts& facts) {
  if (facts.pixelOffsetUsable) return std::nullopt;
  RunResult result{RunStatus::kDamaged};
  result.damage = {Damage::Kind::kPixelOffsetOutside, facts.pixelOffset, facts.fileLength, 0};
  return result;
}

RunResult IoFailure(const FileFailure& failure) {
  RunResult result{RunStatus::kIoFailure};
  result.path = failure.path();
  result.cause = failure.cause();
  result.detail = failure.what();
  return result;
}

}  // namespace veil::codec
