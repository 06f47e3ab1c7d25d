#include "codec/plain/run_checks.h"

#include "codec/plain/carrier_layout.h"

namespace veil::codec {

std::optional<RunResult> PixelOffsetProblem(const carrier::CarrierFacts& facts) {
  if (facts.pixelOffsetUsable) return std::nullopt;
  RunResult result{RunStatus::kDamaged};
  result.damage = {Damage::Kind::kPixelOffsetOutside, facts.pixelOffset, facts.fileLength, 0};
  return result;
}

std::optional<RunResult> PictureRefusal(const carrier::CarrierFacts& facts) {
  if (!facts.HoldsFile()) return RunResult{RunStatus::kNoHiddenFile};
  if ((facts.marker & carrier::kVersionMask) != carrier::kVersion1 && !facts.IsSealed()) {
    RunResult result{RunStatus::kUnknownVersion};
    result.version = facts.Version();
    result.marker = facts.marker;
    return result;
  }
  if (auto problem = PixelOffsetProblem(facts)) return problem;
  // A damaged picture must not yield invented bytes: it has to hold every
  // group the marker promises.
  if (!facts.Complete()) {
    RunResult result{RunStatus::kDamaged};
    result.damage = {Damage::Kind::kEndsEarly, facts.pixelOffset, facts.fileLength, facts.EndOfHiddenFile(),
                     facts.HiddenLength()};
    return result;
  }
  return std::nullopt;
}

std::optional<RunResult> PasswordRefusal(RawFile& cover, const carrier::CarrierFacts& facts,
                                         const std::optional<std::string>& password) {
  if (facts.HasPassword() && (!password || *password != carrier::ReadStoredPassword(cover, facts.pixelOffset)))
    return RunResult{RunStatus::kWrongPassword};
  return std::nullopt;
}

std::optional<RunResult> ExtractionRefusal(RawFile& cover, const carrier::CarrierFacts& facts,
                                           const std::optional<std::string>& password) {
  if (auto refusal = PictureRefusal(facts)) return refusal;
  return PasswordRefusal(cover, facts, password);
}

}  // namespace veil::codec
