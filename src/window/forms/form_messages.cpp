#include "window/forms/form_messages.h"

#include "window/forms/form_texts.h"

namespace veil::forms {

std::string DescribeFailure(const codec::RunResult& result, bool opening_sealed) {
  namespace t = texts::forms;
  using codec::RunStatus;
  switch (result.status) {
    case RunStatus::kCancelled: return std::string(t::kCancelled);
    case RunStatus::kTooLarge: return std::string(t::kTooLarge);
    case RunStatus::kTooFlat: return std::string(t::kTooFlat);
    case RunStatus::kNotReadBack: return std::string(t::kNotReadBack);
    case RunStatus::kKeyMemory: return std::string(t::kKeyMemory);
    case RunStatus::kCryptoUnavailable: return std::string(t::kCryptoUnavailable);
    case RunStatus::kPasswordNotText: return std::string(t::kPasswordNotText);
    case RunStatus::kAlreadyHoldsFile: return std::string(t::kCoverHoldsFile);
    case RunStatus::kWasJpeg: return std::string(t::kWasJpegCover);
    case RunStatus::kNotCover: return std::string(t::kNotBmpCover);
    case RunStatus::kNotStealthCover: return std::string(t::kNotStealthCover) + result.refusal;
    case RunStatus::kCoverDamaged: return std::string(t::kCoverDamaged) + result.refusal;
    case RunStatus::kNoStealthFile: return std::string(t::kNoStealthFile);
    case RunStatus::kWrongPassword: return std::string(t::kWrongPassword);
    case RunStatus::kUnacceptableSeal: return std::string(t::kSealUnacceptable);
    case RunStatus::kSealBroken:
      return std::string(result.seal.kind == codec::SealProblem::Kind::kTruncated ? t::kSealTruncated
                         : result.seal.kind == codec::SealProblem::Kind::kChangedAfterSealing
                             ? t::kSealChanged
                             : t::kWrongPassword);
    case RunStatus::kDamaged: return std::string(opening_sealed ? t::kSealDamaged : t::kDamaged);
    case RunStatus::kIoFailure:
      return std::string(t::kIoFailure) + (result.path.empty() ? result.detail : result.path + "（" + result.cause + "）");
    default: return std::string(t::kFailed);
  }
}

}  // namespace veil::forms
