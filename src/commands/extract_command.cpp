#include "codec/carrier_layout.h"
#include "codec/carrier_reader.h"
#include "codec/codec_texts.h"
#include "commands/command_texts.h"
#include "commands/main_window_commands.h"
#include "platform/file_failure.h"

namespace veil {

void MainWindowCommands::ChkclearBmp_Click() {
  state_.clearAfterExtract = GetNumber(platform_.controls, "ChkclearBmp", prop::kValue) != 0;
}

void MainWindowCommands::cmdout_Click() {
  if (state_.coverPath.empty()) {
    Show(texts::kExtractNoPicture, texts::kErrorTitle, kStyleStop);
    return;
  }
  if (state_.hasHiddenFile == 0) {
    Show(texts::kNothingToExtract, texts::kErrorTitle, kStyleStop);
    return;
  }
  state_.outputPath = OutputPathFor(state_.hiddenExtension);
  // Held through the extraction and the wipe.
  std::optional<FileLock> lock;
  if (!LockCover(lock)) return;

  NumberedFiles& files = platform_.files;
  try {
    // Extraction only reads the picture.
    NumberedFile& cover = files.Open(kCoverFile, state_.coverPath, OpenMode::kReadOnly);
    if (!CheckExtractionRights(cover)) return;
  } catch (const FileFailure&) {
    files.CloseAll();
    Show(texts::kCannotReadPicture, "", kStyleStop);
    return;
  }

  // The output is created only now that the version and password tests have
  // passed, under a staging name: it takes the output's name once complete,
  // so a failed run never leaves a file posing as the hidden one.
  const std::string staging = state_.outputFolder + ".output." + state_.hiddenExtension + ".partial";
  try {
    files.Open(kSecondFile, staging, OpenMode::kCreateTruncate);
  } catch (const FileFailure&) {
    files.CloseAll();
    Show(std::string(texts::kCannotWriteOutput) + state_.outputPath, texts::kErrorTitle, kStyleStop);
    return;
  }

  Show(std::string(texts::kExtractConfirm) + state_.outputPath, texts::kExtractConfirmTitle, kStyleInformation);
  state_.markerValue = static_cast<std::int32_t>(carrier::HiddenLength(static_cast<std::uint32_t>(state_.markerValue)));
  if (!RunExtractionInto(staging)) return;

  Show(texts::kExtractDone, texts::kExtractDoneTitle, kStyleInformation);
  OfferViewing();
  if (state_.clearAfterExtract) WipeMarker();
}

bool MainWindowCommands::CheckExtractionRights(NumberedFile& cover) {
  NumberedFiles& files = platform_.files;
  state_.markerValue = static_cast<std::int32_t>(cover.ReadU32At(carrier::kMarkerOffset));
  if ((static_cast<std::uint32_t>(state_.markerValue) & carrier::kVersionMask) !=
      static_cast<std::uint32_t>(state_.formatVersion)) {
    files.CloseAll();
    Show(texts::kVersionDiffers, texts::kVersionTitle, kStyleStop);
    return false;
  }
  if (state_.passwordFlag == carrier::kPasswordFlags) {
    codec_.pixelOffset = cover.ReadI32At(carrier::kPixelOffsetField);
    if (!carrier::PixelOffsetUsable(codec_.pixelOffset, cover.Length()))
      throw FileFailure("the pixel-data offset lies outside the picture");
    const std::string stored = carrier::ReadStoredPassword(cover, codec_.pixelOffset);
    state_.passwordLength = static_cast<std::uint8_t>(stored.size());
    const std::string typed = platform_.boxes.Input(texts::kPasswordPrompt, texts::kPasswordPromptTitle);
    if (typed != stored) {
      Show(texts::kWrongPassword, texts::kWrongPasswordTitle, kStyleStop);
      files.CloseAll();
      return false;
    }
  }
  return true;
}

bool MainWindowCommands::RunExtractionInto(const std::string& staging) {
  NumberedFiles& files = platform_.files;
  bool completed = codec_.RunExtraction().ok();
  if (completed) {
    try {
      files[kSecondFile].Sync();
      files.Close(kSecondFile);
    } catch (const FileFailure&) {
      Show(texts::kExtractFailure, "", kStyleStop);
      completed = false;
    }
  }
  files.CloseAll();
  if (completed && !platform_.shell.MoveOnto(staging, state_.outputPath)) {
    Show(std::string(texts::kCannotWriteOutput) + state_.outputPath, texts::kErrorTitle, kStyleStop);
    completed = false;
  }
  if (!completed) platform_.shell.RemoveFile(staging);
  return completed;
}

void MainWindowCommands::OfferViewing() {
  if (Show(texts::kViewQuestion, texts::kChoiceTitle, kStyleQuestionYesNo) != kAnswerYes) return;
  platform_.shell.OpenDocument(state_.outputPath);
  if (Show(texts::kDeleteQuestion, texts::kChoiceTitle, kStyleQuestionYesNo) != kAnswerYes) return;
  platform_.shell.RemoveFile(state_.outputPath);
  std::string deleted = state_.outputPath;
  deleted.append(texts::kDeletedSuffix);
  Show(deleted, texts::kMessageTitle, kStyleInformation);
}

void MainWindowCommands::WipeMarker() {
  try {
    state_.markerValue = 0;
    platform_.files.Open(kCoverFile, state_.coverPath, OpenMode::kReadWriteExisting)
        .WriteU32At(carrier::kMarkerOffset, 0);
    platform_.files.Close(kCoverFile);
  } catch (const FileFailure&) {
    platform_.files.CloseAll();
    Show(texts::kCannotWipe, "", kStyleStop);
    return;
  }
  Show(texts::kWiped, texts::kMessageTitle, kStyleInformation);
  SetProperty(platform_.controls, "Labtmp", prop::kCaption, std::string(texts::kWipedStatus));
  SetProperty(platform_.controls, "Text2", prop::kText, std::string(texts::kNoPayloadAnyMore));
  state_.hasHiddenFile = 0;
}

}  // namespace veil
