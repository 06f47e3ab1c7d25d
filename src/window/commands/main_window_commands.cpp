#include "window/commands/main_window_commands.h"

#include "files/file_in_use.h"
#include "window/commands/command_texts.h"
#include "window/commands/control_names.h"

namespace veil {

MainWindowCommands::MainWindowCommands(SharedState& state, WindowPlatform platform)
    : state_(state),
      platform_(platform),
      runs_(state, {platform.files, platform.boxes, platform.controls, platform.pump}) {}

int MainWindowCommands::Show(std::string_view text, std::string_view title, int style) {
  return platform_.boxes.Show(text, title, style);
}

bool MainWindowCommands::LockCover(OpenMode mode) {
  try {
    platform_.files.Open(kCoverFile, state_.coverPath, mode);
  } catch (const FileInUse&) {
    platform_.files.CloseAll();
    Show(texts::kPictureInUse, texts::kErrorTitle, kStyleStop);
    return false;
  } catch (const FileFailure&) {
    // Not refused here: the command opens the picture itself later and
    // reports a file it cannot open with its own message.
  }
  return true;
}

std::string MainWindowCommands::OutputPathFor(const std::string& extension) const {
  return state_.outputFolder + "output." + extension;
}

void MainWindowCommands::ShowOutputTarget() {
  // A sealed picture keeps its extension inside the seal until its password
  // opens it: until then only the folder is known.
  if (state_.hiddenExtension.empty()) {
    SetProperty(platform_.controls, names::kText2, prop::kText,
                std::string(texts::kSealedOutputPrefix) + state_.outputFolder);
    return;
  }
  state_.outputPath = OutputPathFor(state_.hiddenExtension);
  SetProperty(platform_.controls, names::kText2, prop::kText, std::string(texts::kOutputPrefix) + state_.outputPath);
}

void MainWindowCommands::PasswordInputRefused() {
  Show(texts::kPasswordNotStorable, texts::kWarningTitle, kStyleExclamation);
}

}  // namespace veil
