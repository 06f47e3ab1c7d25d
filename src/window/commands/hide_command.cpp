#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "files/file_failure.h"
#include "files/same_file.h"
#include "window/commands/command_texts.h"
#include "window/commands/control_names.h"
#include "window/commands/main_window_commands.h"

namespace veil {

void MainWindowCommands::cmdadd_Click() {
  if (state_.coverPath.empty()) {
    Show(texts::kHideNoPicture, texts::kHideNoPictureTitle, kStyleStop);
    return;
  }
  if (state_.hasHiddenFile != 0) {
    Show(texts::kHideAlreadyHolds, texts::kErrorTitle, kStyleStop);
    return;
  }
  if (state_.payloadPath.empty()) {
    Show(texts::kHideNoPayload, texts::kNoticeTitle, kStyleExclamation);
    return;
  }
  if (SameFile(state_.payloadPath, state_.coverPath)) {
    Show(texts::kPayloadIsCover, texts::kErrorTitle, kStyleStop);
    return;
  }
  if (!SettlePassword()) return;
  // The stored extension is the chosen file's own, whatever picture was
  // inspected since it was chosen.
  state_.hiddenExtension =
      carrier::StoredExtension(state_.payloadPath).value_or(std::string(carrier::kFallbackExtension));

  // Held from here to the end of the run, so that no other program can hide
  // a file in the picture meanwhile; one may have done so since the picture
  // was inspected, so the marker is read again now (and once more by the run).
  if (!LockCover(OpenMode::kLockedReadWrite)) return;
  bool refused = HiddenMeanwhile();
  if (!refused) {
    Show(texts::kHideConfirm, texts::kHideConfirmTitle, kStyleInformation);
    refused = runs_.RunEmbedding().outcome == RunOutcome::kRefused;
  }
  if (refused) {
    platform_.files.CloseAll();
    InspectCover(std::nullopt);  // the window shows the picture as it now is
  }
}

bool MainWindowCommands::HiddenMeanwhile() {
  NumberedFiles& files = platform_.files;
  if (!files.IsOpen(kCoverFile)) return false;  // the run reports a picture it cannot open
  try {
    if (!carrier::ReadCarrierFacts(files[kCoverFile].Unbuffered()).HoldsFile()) return false;
  } catch (const FileFailure&) {
    return false;
  }
  Show(texts::kHideAlreadyHolds, texts::kErrorTitle, kStyleStop);
  return true;
}

bool MainWindowCommands::SettlePassword() {
  const std::string password = GetText(platform_.controls, names::kText4, prop::kText);
  const std::string confirmation = GetText(platform_.controls, names::kText5, prop::kText);
  if (GetNumber(platform_.controls, names::kChkPassword, prop::kValue) == 0) {
    // A password typed into the boxes without the tick would be dropped
    // silently; once the tick is taken away, the boxes are greyed and the
    // choice is plain.
    const bool typed_in_vain =
        GetFlag(platform_.controls, names::kText4, prop::kEnabled) && (!password.empty() || !confirmation.empty());
    if (typed_in_vain &&
        Show(texts::kUnprotectedQuestion, texts::kWarningTitle, kStyleQuestionYesNoDefaultNo) != kAnswerYes)
      return false;
    state_.passwordLength = 0;
    state_.passwordText = carrier::kNoPassword;
    return true;
  }
  if (password != confirmation) {
    Show(texts::kPasswordMismatch, texts::kWarningTitle, kStyleStop);
    return false;
  }
  if (!carrier::IsStorablePassword(password)) {
    Show(texts::kPasswordNotStorable, texts::kWarningTitle, kStyleStop);
    return false;
  }
  const auto field = carrier::PasswordField(password);
  state_.passwordText.assign(field.begin(), field.end());
  state_.passwordLength = static_cast<std::uint8_t>(password.size());
  return true;
}

void MainWindowCommands::ChkPassword_Click() {
  const bool ticked = GetNumber(platform_.controls, names::kChkPassword, prop::kValue) != 0;
  SetProperty(platform_.controls, names::kText4, prop::kEnabled, ticked);
  SetProperty(platform_.controls, names::kText5, prop::kEnabled, ticked);
}

}  // namespace veil
