// Choosing and inspecting the cover picture, choosing the file to hide, and
// choosing the output folder.
#include <filesystem>

#include "codec/carrier_layout.h"
#include "codec/carrier_reader.h"
#include "commands/command_texts.h"
#include "commands/main_window_commands.h"
#include "platform/file_failure.h"

namespace veil {
namespace {

constexpr std::string_view kInitialDir = "c:\\";

}  // namespace

void MainWindowCommands::cmdopen_Click() {
  InspectCover(platform_.dialogs.OpenFile({std::string(texts::kOpenPictureTitle), "*.bmp", std::string(kInitialDir)}));
}

void MainWindowCommands::CoverDropped(const std::string& path) { InspectCover(path); }

void MainWindowCommands::InspectCover(const std::optional<std::string>& chosen) {
  const std::string previous = state_.coverPath;
  if (chosen) state_.coverPath = *chosen;
  if (state_.coverPath.empty()) return;

  // A refused picture must not stay the current cover, or the hide command
  // could write into it.
  auto refuse = [&](std::string_view message) {
    platform_.files.CloseAll();
    Show(message, "", kStyleStop);
    if (state_.coverPath == previous) state_.hasHiddenFile = 0;
    state_.coverPath = state_.coverPath == previous ? std::string{} : previous;
  };

  try {
    // Read-only: inspecting a picture never creates or changes a file.
    NumberedFile& cover = platform_.files.Open(kCoverFile, state_.coverPath, OpenMode::kReadOnly);
    const auto facts = carrier::ReadCarrierFacts(cover);
    if (!facts.IsTwentyFourBit()) return refuse(texts::kNotBmp);
    if (!SetProperty(platform_.controls, "Imagepre", "Picture", state_.coverPath))
      return refuse(texts::kCannotShowPicture);
    SetProperty(platform_.controls, "Text1", prop::kText, std::string(texts::kCoverPrefix) + state_.coverPath);

    state_.hasHiddenFile = static_cast<std::int32_t>(facts.marker);
    if (facts.HoldsFile()) {
      SetProperty(platform_.controls, "Labtmp", prop::kCaption, std::string(texts::kHoldsFile));
      SetProperty(platform_.controls, "labfinish", prop::kCaption, std::string{});
      codec_.pixelOffset = facts.pixelOffset;
      // The stored bytes come from the picture: never let them steer the
      // output file out of its folder.
      state_.hiddenExtension =
          carrier::SafeExtension(facts.pixelOffsetUsable ? facts.extension : std::string(carrier::kFallbackExtension));
      ShowOutputTarget();
      state_.passwordFlag = facts.Flags();
    } else {
      SetProperty(platform_.controls, "Labtmp", prop::kCaption, std::string(texts::kClean));
      SetProperty(platform_.controls, "labfinish", prop::kCaption, std::string{});
      SetProperty(platform_.controls, "Text2", prop::kText,
                  std::string(texts::kCapacityPrefix) + std::to_string(carrier::KilobyteHint(facts.fileLength)) +
                      std::string(texts::kCapacitySuffix));
    }
    platform_.files.Close(kCoverFile);
  } catch (const FileFailure&) {
    refuse(texts::kCannotReadPicture);
  }
}

bool MainWindowCommands::PayloadPreconditionsHold() {
  if (state_.coverPath.empty()) {
    Show(texts::kChoosePictureFirst, texts::kNoticeTitle, kStyleInformation);
    return false;
  }
  if (state_.hasHiddenFile != 0) {
    Show(texts::kPictureHasFile, texts::kErrorTitle, kStyleStop);
    return false;
  }
  return true;
}

void MainWindowCommands::CmdMsgSelect_Click() {
  if (!PayloadPreconditionsHold()) return;
  ChoosePayload(platform_.dialogs.OpenFile({std::string(texts::kChooseFileTitle), "*.*", std::string(kInitialDir)}));
}

void MainWindowCommands::PayloadDropped(const std::string& path) {
  if (!PayloadPreconditionsHold()) return;
  ChoosePayload(path);
}

void MainWindowCommands::ChoosePayload(const std::optional<std::string>& chosen) {
  if (chosen) {
    state_.payloadPath = *chosen;
    SetProperty(platform_.controls, "Text2", prop::kText, std::string(texts::kPayloadPrefix) + state_.payloadPath);
  }
  SetProperty(platform_.controls, "TxtName", prop::kText, state_.payloadPath);
  const std::string name = GetText(platform_.controls, "TxtName", prop::kText);
  if (name.empty()) return;
  // Only what the header can hold is stored; anything else is hidden as "msg".
  if (auto extension = carrier::StoredExtension(name)) {
    state_.hiddenExtension = *extension;
  } else {
    Show(texts::kUnsupportedName, texts::kErrorTitle, kStyleStop);
    state_.hiddenExtension = carrier::kFallbackExtension;
  }
}

void MainWindowCommands::cmdchgOutPath_Click() {
  std::string folder =
      platform_.dialogs.BrowseForFolder(std::string(texts::kBrowseFolderTitle))
          .value_or(GetText(platform_.controls, "Text3", prop::kText));
  const char separator = platform_.environment.PathSeparator();
  if (folder.empty() || folder.back() != separator) folder.push_back(separator);
  state_.outputFolder = folder;
  SetProperty(platform_.controls, "Text3", prop::kText, folder);
  if (state_.hasHiddenFile != 0) ShowOutputTarget();
}

}  // namespace veil
