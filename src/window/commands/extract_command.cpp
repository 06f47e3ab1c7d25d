#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/run_checks.h"
#include "codec/plain/runs.h"
#include "files/file_in_use.h"
#include "files/output_file.h"
#include "files/path_kinds.h"
#include "files/same_file.h"
#include "platform/responsive_wait.h"
#include "window/commands/command_texts.h"
#include "window/commands/control_names.h"
#include "window/commands/main_window_commands.h"
#include "window/commands/viewable_types.h"

namespace veil {

void MainWindowCommands::ChkclearBmp_Click() {
  state_.clearAfterExtract = GetNumber(platform_.controls, names::kChkclearBmp, prop::kValue) != 0;
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
  // What opened the picture is kept for this command only.
  struct Forget {
    SharedState& state;
    ~Forget() {
      state.enteredPassword.reset();
      state.openedSeal.reset();
    }
  } forget{state_};
  // One handle, held through the extraction and the wipe: no other program
  // can change or replace the picture in between. Writable only when the
  // wipe will need it; a picture that cannot be written is still read.
  NumberedFiles& files = platform_.files;
  if (!LockCover(state_.clearAfterExtract ? OpenMode::kLockedReadWrite : OpenMode::kLockedRead)) return;
  if (!files.IsOpen(kCoverFile) && state_.clearAfterExtract && !LockCover(OpenMode::kLockedRead)) return;
  try {
    if (!CheckExtractionRights(files[kCoverFile])) return;
  } catch (const FileFailure&) {
    files.CloseAll();
    Show(texts::kCannotReadPicture, "", kStyleStop);
    return;
  }

  // The output is created only now that the version and password tests have
  // passed, under a staging name when it is a plain file: it takes the
  // output's name once complete, so a failed run never leaves a file posing
  // as the hidden one.
  if (!OutputMayBeWritten()) {
    files.CloseAll();
    return;
  }
  std::optional<OutputFile> output;
  try {
    output.emplace(OutputFile::Open(state_.outputPath, files.opener()));
    files.Attach(kSecondFile, output->TakeFile(), output->WritePath());
  } catch (const FileFailure&) {
    files.CloseAll();
    Show(std::string(texts::kCannotWriteOutput) + state_.outputPath, texts::kErrorTitle, kStyleStop);
    return;
  }

  Show(std::string(texts::kExtractConfirm) + state_.outputPath, texts::kExtractConfirmTitle, kStyleInformation);
  state_.markerValue = static_cast<std::int32_t>(carrier::HiddenLength(static_cast<std::uint32_t>(state_.markerValue)));
  if (!Extract(*output)) return;

  Show(texts::kExtractDone, texts::kExtractDoneTitle, kStyleInformation);
  OfferViewing(output->Direct());
  if (state_.clearAfterExtract) WipeMarker();
  files.CloseAll();
}

bool MainWindowCommands::CheckExtractionRights(NumberedFile& cover) {
  NumberedFiles& files = platform_.files;
  const auto facts = carrier::ReadCarrierFacts(cover.Unbuffered());
  state_.markerValue = static_cast<std::int32_t>(facts.marker);
  if (facts.IsSealed()) return OpenSealedPicture(cover, facts);
  if ((facts.marker & carrier::kVersionMask) != static_cast<std::uint32_t>(state_.formatVersion)) {
    files.CloseAll();
    Show(texts::kVersionDiffers, texts::kVersionTitle, kStyleStop);
    return false;
  }
  state_.enteredPassword.reset();
  // A picture whose hidden file cannot lie where its header says is damaged:
  // said so before a password is asked or an output made.
  if (codec::PictureRefusal(facts)) {
    files.CloseAll();
    Show(texts::kPictureDamaged, texts::kErrorTitle, kStyleStop);
    return false;
  }
  // The gate follows the picture as it is now, whatever was ticked since it
  // was inspected.
  if (facts.HasPassword()) {
    const std::string stored = carrier::ReadStoredPassword(cover.Unbuffered(), facts.pixelOffset);
    state_.passwordLength = static_cast<std::uint8_t>(stored.size());
    const std::string typed = platform_.boxes.Input(texts::kPasswordPrompt, texts::kPasswordPromptTitle);
    if (typed != stored) {
      Show(texts::kWrongPassword, texts::kWrongPasswordTitle, kStyleStop);
      files.CloseAll();
      return false;
    }
    state_.enteredPassword = typed;
  }
  return true;
}

bool MainWindowCommands::OpenSealedPicture(NumberedFile& cover, const carrier::CarrierFacts& facts) {
  // The password is a key here: masked as it is typed, and Cancel ends the
  // command rather than trying the empty password.
  const std::optional<std::string> typed =
      platform_.boxes.InputSecret(texts::kPasswordPrompt, texts::kPasswordPromptTitle);
  if (!typed) {
    platform_.files.CloseAll();
    return false;
  }
  // The derivation may take up to a minute and a gigabyte: done aside, with
  // the window repainting and saying why it waits. The command holds the
  // picture, and no other command starts meanwhile.
  const std::string status = GetText(platform_.controls, names::kLabtmp, prop::kCaption);
  SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string(texts::kDerivingKey));
  RawFile& picture = cover.Unbuffered();
  codec::OpenedSeal opened =
      WaitResponsively(platform_.pump, [&picture, &facts, &typed] { return codec::OpenSeal(picture, facts, *typed); });
  SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, status);
  switch (opened.status) {
    case codec::OpenedSeal::Status::kOpened: break;
    case codec::OpenedSeal::Status::kWrongPassword:
      platform_.files.CloseAll();
      Show(texts::kWrongPassword, texts::kWrongPasswordTitle, kStyleStop);
      return false;
    case codec::OpenedSeal::Status::kUnacceptable:
      platform_.files.CloseAll();
      Show(texts::kSealUnacceptable, texts::kErrorTitle, kStyleStop);
      return false;
    case codec::OpenedSeal::Status::kNoMemory:
      platform_.files.CloseAll();
      Show(std::string(texts::kSealMemoryPrefix) + std::to_string((opened.memory_kib + 1023) / 1024) +
               std::string(texts::kSealMemorySuffix),
           texts::kErrorTitle, kStyleStop);
      return false;
    case codec::OpenedSeal::Status::kDamaged:
      platform_.files.CloseAll();
      Show(texts::kSealDamaged, texts::kErrorTitle, kStyleStop);
      return false;
  }
  state_.openedSeal = std::move(opened.key);
  if (opened.file_name) {
    // The seal names the file (made safe by OpenSeal): it goes under that
    // name into the output folder.
    state_.outputPath = state_.outputFolder + *opened.file_name;
    SetProperty(platform_.controls, names::kText2, prop::kText, std::string(texts::kOutputPrefix) + state_.outputPath);
    return true;
  }
  // Now that the seal has told the extension, the output has its name.
  state_.hiddenExtension = carrier::SafeExtension(opened.extension);
  ShowOutputTarget();
  return true;
}

bool MainWindowCommands::OutputMayBeWritten() {
  if (SameFile(state_.outputPath, state_.coverPath)) {
    Show(std::string(texts::kOutputIsPicture) + state_.outputPath, texts::kErrorTitle, kStyleStop);
    return false;
  }
  // Enter keeps the existing file.
  return !NamesRegularFile(state_.outputPath) || Show(std::string(texts::kOutputExists) + state_.outputPath,
                                                      texts::kWarningTitle, kStyleQuestionYesNoDefaultNo) == kAnswerYes;
}

bool MainWindowCommands::Extract(OutputFile& output) {
  NumberedFiles& files = platform_.files;
  bool completed = runs_.RunExtraction().ok();
  if (completed) {
    try {
      files[kSecondFile].Sync();
      files.Close(kSecondFile);
    } catch (const FileFailure&) {
      Show(texts::kExtractFailure, "", kStyleStop);
      completed = false;
    }
  }
  if (completed) {
    try {
      output.Commit();
    } catch (const FileFailure&) {
      Show(std::string(texts::kCannotWriteOutput) + state_.outputPath, texts::kErrorTitle, kStyleStop);
      completed = false;
    }
  }
  if (!completed) files.DiscardAll();  // the staging file goes with the output
  return completed;
}

void MainWindowCommands::OfferViewing(bool written_through) {
  if (Show(texts::kViewQuestion, texts::kChoiceTitle, kStyleQuestionYesNo) != kAnswerYes) return;
  // A file from a picture is never run: only documents, pictures, sound,
  // video and archives are opened; anything else, and what is no plain file,
  // is shown in its folder instead.
  if (!written_through && IsViewableType(state_.outputPath) && !platform_.shell.IsMarkedExecutable(state_.outputPath)) {
    if (!platform_.shell.OpenDocument(state_.outputPath))
      Show(std::string(texts::kCannotView) + state_.outputPath, texts::kMessageTitle, kStyleInformation);
  } else {
    platform_.shell.ShowInFolder(state_.outputPath);
  }
  // Enter keeps the file: deleting what was just extracted takes a choice.
  if (Show(texts::kDeleteQuestion, texts::kChoiceTitle, kStyleQuestionYesNoDefaultNo) != kAnswerYes) return;
  if (platform_.shell.RemoveFile(state_.outputPath)) {
    Show(state_.outputPath + std::string(texts::kDeletedSuffix), texts::kMessageTitle, kStyleInformation);
  } else {
    Show(std::string(texts::kCannotDelete) + state_.outputPath, texts::kErrorTitle, kStyleStop);
  }
}

void MainWindowCommands::WipeMarker() {
  try {
    state_.markerValue = 0;
    codec::ClearHiddenFile(platform_.files[kCoverFile].Unbuffered());
  } catch (const FileFailure&) {
    Show(texts::kCannotWipe, "", kStyleStop);
    return;
  }
  Show(texts::kWiped, texts::kMessageTitle, kStyleInformation);
  SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string(texts::kWipedStatus));
  SetProperty(platform_.controls, names::kText2, prop::kText, std::string(texts::kNoPayloadAnyMore));
  state_.hasHiddenFile = 0;
}

}  // namespace veil
