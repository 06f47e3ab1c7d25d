#include "window/commands/window_runs.h"

#include "codec/plain/carrier_layout.h"
#include "codec/plain/runs.h"
#include "files/file_failure.h"
#include "messages/run_description.h"
#include "window/commands/command_texts.h"
#include "window/commands/control_names.h"

namespace veil {
namespace {

// The run's progress in the window: the caption, the percentage, and the
// window's own messages in between.
class WindowProgress final : public codec::RunObserver {
 public:
  explicit WindowProgress(RunPlatform& platform) : platform_(platform) {}
  void Started() override {
    SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string(texts::kProgressCaption));
  }
  void Progress(int percent) override {
    SetProperty(platform_.controls, names::kLabfinish, prop::kCaption, std::to_string(percent) + "%");
  }
  void Yield() override { platform_.pump.ProcessPendingMessages(); }

 private:
  RunPlatform& platform_;
};

}  // namespace

RunReport WindowRuns::RunEmbedding() {
  NumberedFiles& files = platform_.files;
  state_.markerValue = 0;
  codec::RunResult result;
  try {
    // The cover must exist: opening it must never create a file.
    if (!files.IsOpen(kCoverFile)) files.Open(kCoverFile, state_.coverPath, OpenMode::kReadWriteExisting);
    NumberedFile& payload = files.Open(kSecondFile, state_.payloadPath, OpenMode::kReadOnly);
    state_.markerValue = static_cast<std::int32_t>(std::min<std::uint64_t>(payload.Length(), INT32_MAX));
    std::optional<std::string> password;
    // The marker's password bit follows the check box, the header the password fields.
    if (GetNumber(platform_.controls, names::kChkPassword, prop::kValue) != 0)
      password =
          state_.passwordText.substr(0, std::min<std::size_t>(state_.passwordLength, state_.passwordText.size()));
    WindowProgress progress(platform_);
    result = codec::Embed(
        {files[kCoverFile].Unbuffered(), payload.Unbuffered(), nullptr, state_.hiddenExtension, password}, progress);
  } catch (const FileFailure& failure) {
    result = {codec::RunStatus::kIoFailure};
    result.detail = failure.what();
  }
  const std::string detail = DescribeRun(result, state_.coverPath, state_.payloadPath);
  if (result.status == codec::RunStatus::kCompleted) {
    state_.markerValue = static_cast<std::int32_t>(result.bytes & carrier::kMaxHiddenLength);
    try {
      files.Close(kSecondFile);
      files.Close(kCoverFile);
    } catch (const FileFailure&) {
      result = {codec::RunStatus::kIoFailure};
    }
  }
  switch (result.status) {
    case codec::RunStatus::kCompleted:
      SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string(texts::kEmbedDone));
      platform_.boxes.Show(texts::kEmbedDone, texts::kEmbedDoneTitle, kStyleInformation);
      state_.hasHiddenFile = 1;
      return {RunOutcome::kCompleted, {}};
    case codec::RunStatus::kNotCover:
      // Changed on disk since it was inspected: the inspection's own refusal.
      files.CloseAll();
      platform_.boxes.Show(texts::kNotBmp, "", kStyleStop);
      return {RunOutcome::kFailed, detail};
    case codec::RunStatus::kTooLarge:
      files.CloseAll();
      platform_.boxes.Show(texts::kTooLarge, texts::kTooLargeTitle, kStyleStop);
      return {RunOutcome::kTooLarge, detail};
    case codec::RunStatus::kAlreadyHoldsFile:
      files.CloseAll();
      platform_.boxes.Show(texts::kHideAlreadyHolds, texts::kErrorTitle, kStyleStop);
      return {RunOutcome::kRefused, detail};
    default:
      // Nothing of the failed run stays buffered: the marker goes last, so
      // whatever reached the picture leaves it reading as clean.
      files.DiscardAll();
      platform_.boxes.Show(texts::kEmbedFailure, "", kStyleStop);
      return {RunOutcome::kFailed, detail};
  }
}

RunReport WindowRuns::RunExtraction() {
  codec::RunResult result;
  try {
    WindowProgress progress(platform_);
    result = codec::Extract({platform_.files[kCoverFile].Unbuffered(), platform_.files[kSecondFile].Unbuffered(),
                             state_.enteredPassword, state_.openedSeal ? &*state_.openedSeal : nullptr},
                            progress);
  } catch (const FileFailure& failure) {
    result = {codec::RunStatus::kIoFailure};
    result.detail = failure.what();
  }
  if (result.ok()) return {RunOutcome::kCompleted, {}};
  if (result.status == codec::RunStatus::kSealBroken) {
    const bool cut = result.seal.kind == codec::SealProblem::Kind::kTruncated;
    platform_.boxes.Show(cut ? texts::kSealTruncated : texts::kSealChanged, texts::kErrorTitle, kStyleStop);
  } else if (result.status == codec::RunStatus::kDamaged) {
    platform_.boxes.Show(texts::kPictureDamaged, texts::kErrorTitle, kStyleStop);
  } else {
    platform_.boxes.Show(texts::kExtractFailure, "", kStyleStop);
  }
  return {RunOutcome::kFailed, DescribeRun(result, state_.coverPath, state_.outputPath)};
}

}  // namespace veil
