#include "commands/main_window_commands.h"

#include "commands/command_texts.h"

namespace veil {

MainWindowCommands::MainWindowCommands(SharedState& state, WindowPlatform platform)
    : state_(state),
      platform_(platform),
      codec_(state, {platform.files, platform.boxes, platform.controls, platform.pump}) {}

int MainWindowCommands::Show(std::string_view text, std::string_view title, int style) {
  return platform_.boxes.Show(text, title, style);
}

bool MainWindowCommands::LockCover(std::optional<FileLock>& lock) {
  try {
    lock.emplace(FileLock::Exclusive(state_.coverPath));
  } catch (const FileInUse&) {
    Show(texts::kPictureInUse, texts::kErrorTitle, kStyleStop);
    return false;
  } catch (const FileFailure&) {
    // Unlocked but not refused: the run that follows opens the picture itself
    // and reports a file it cannot open with its own message.
  }
  return true;
}

std::string MainWindowCommands::OutputPathFor(const std::string& extension) const {
  return state_.outputFolder + "output." + extension;
}

void MainWindowCommands::ShowOutputTarget() {
  state_.outputPath = OutputPathFor(state_.hiddenExtension);
  SetProperty(platform_.controls, "Text2", prop::kText, std::string(texts::kOutputPrefix) + state_.outputPath);
}

}  // namespace veil
