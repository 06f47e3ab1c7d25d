#include <filesystem>

#include "codec/carrier_layout.h"
#include "commands/command_texts.h"
#include "commands/main_window_commands.h"

namespace veil {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

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
  if (GetNumber(platform_.controls, "ChkPassword", prop::kValue) != 0) {
    const std::string password = GetText(platform_.controls, "Text4", prop::kText);
    if (password != GetText(platform_.controls, "Text5", prop::kText)) {
      Show(texts::kPasswordMismatch, texts::kWarningTitle, kStyleStop);
      return;
    }
    // The header stores eight single-byte characters and their count.
    if (password.size() > carrier::kPasswordFieldSize || !carrier::IsPortableText(password)) {
      Show(texts::kPasswordNotStorable, texts::kWarningTitle, kStyleStop);
      return;
    }
    const auto field = carrier::PasswordField(password);
    state_.passwordText.assign(field.begin(), field.end());
    state_.passwordLength = static_cast<std::uint8_t>(password.size());
    state_.passwordFlag = carrier::kPasswordFlags;
  } else {
    state_.passwordLength = 0;
    state_.passwordText = carrier::kNoPassword;
  }
  std::optional<FileLock> lock;
  if (!LockCover(lock)) return;
  Show(texts::kHideConfirm, texts::kHideConfirmTitle, kStyleInformation);
  (void)codec_.RunEmbedding();  // the run reports its own outcome
}

void MainWindowCommands::ChkPassword_Click() {
  const bool ticked = GetNumber(platform_.controls, "ChkPassword", prop::kValue) != 0;
  SetProperty(platform_.controls, "Text4", prop::kEnabled, ticked);
  SetProperty(platform_.controls, "Text5", prop::kEnabled, ticked);
  state_.passwordFlag = ticked ? carrier::kPasswordFlags : 0;
}

}  // namespace veil
