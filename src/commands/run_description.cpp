#include "commands/run_description.h"

namespace veil {

std::string DescribeRun(const codec::RunResult& result, const std::string& picture, const std::string& file) {
  using codec::RunStatus;
  switch (result.status) {
    case RunStatus::kCompleted: return "completed";
    case RunStatus::kTooLarge:
      return file + " is " + std::to_string(result.size) + " bytes, but " + picture + " can take at most " +
             std::to_string(result.capacity) + " bytes";
    case RunStatus::kAlreadyHoldsFile: return picture + ": already holds a hidden file; extract or clear it first";
    case RunStatus::kPasswordNotStorable:
      return "the password must be at most 8 printable ASCII characters (letters, digits, punctuation, blank)";
    case RunStatus::kNoHiddenFile: return picture + ": holds no hidden file";
    case RunStatus::kUnknownVersion:
      return picture + ": its hidden file has format version " + std::to_string(result.version) +
             ", which this program does not know (it reads version 1)";
    case RunStatus::kWrongPassword: return picture + ": wrong password; nothing was written";
    case RunStatus::kDamaged:
      if (result.damage.kind == codec::Damage::Kind::kPixelOffsetOutside)
        return picture + ": damaged: its pixel-data offset " + std::to_string(result.damage.pixel_offset) +
               " lies outside the file";
      return picture + ": damaged: it ends at byte " + std::to_string(result.damage.file_length) +
             ", but its hidden file of " + std::to_string(result.damage.hidden_length) + " bytes needs " +
             std::to_string(result.damage.needed);
    case RunStatus::kUnacceptableSeal:
      return picture + ": its sealed file uses a layout this program does not read, or asks for more memory or "
                       "time than it will give (at most 1 GiB and 64 passes)";
    case RunStatus::kSealBroken:
      switch (result.seal.kind) {
        case codec::SealProblem::Kind::kWrongPasswordOrChanged:
          return picture + ": wrong password, or the picture was changed; nothing was written";
        case codec::SealProblem::Kind::kChangedAfterSealing:
          return picture + ": the picture was changed after sealing: the sealed data does not open at byte " +
                 std::to_string(result.seal.offset);
        case codec::SealProblem::Kind::kTruncated:
          return picture + ": the sealed data ends early, at byte " + std::to_string(result.seal.offset) +
                 ": the picture was cut short after sealing";
      }
      return picture + ": the sealed data does not open";
    case RunStatus::kIoFailure: return result.detail;
    case RunStatus::kNoStealthFile: return picture + ": no hidden file opens with this password";
    case RunStatus::kNotStealthCover:
      return picture + ": is not a picture the stealth form reads (a 24-bit BMP, or an 8- or 16-bit PNG without a "
                       "palette)";
  }
  return "failed";
}

}  // namespace veil
