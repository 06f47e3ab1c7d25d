#include "cli/cover_kinds.h"

#include "cli/cli_failure.h"

namespace veil::cli {

void RefuseLossyCover(const std::string& picture, codec::CoverKind kind) {
  if (auto reason = codec::LossyCoverReason(kind)) throw CliFailure(picture + ": " + *reason);
}

void RefusePngWithoutStealth(const std::string& picture, codec::CoverKind kind) {
  if (kind == codec::CoverKind::kPng) {
    throw CliFailure(picture + ": a PNG picture carries a file only in the stealth form: add --stealth");
  }
}

}  // namespace veil::cli
