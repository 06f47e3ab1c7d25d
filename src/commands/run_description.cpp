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
    case RunStatus::kIoFailure: return result.detail;
  }
  return "failed";
}

}  // namespace veil
