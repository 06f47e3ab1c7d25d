// Choosing and inspecting the cover picture, choosing the file to hide, and
// choosing the output folder.
#include "codec/covers/bmp_layout.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "files/file_failure.h"
#include "files/folder_of.h"
#include "files/path_kinds.h"
#include "window/commands/command_texts.h"
#include "window/commands/control_names.h"
#include "window/commands/main_window_commands.h"
#include "window/thumbnail/thumbnail.h"

namespace veil {

std::string MainWindowCommands::DialogFolder() {
  return last_dialog_folder_.empty() ? platform_.environment.PicturesFolder() : last_dialog_folder_;
}

void MainWindowCommands::RememberDialogFolder(const std::optional<std::string>& chosen) {
  if (chosen) last_dialog_folder_ = FolderOf(*chosen);
}

void MainWindowCommands::cmdopen_Click() {
  const auto chosen = platform_.dialogs.OpenFile({std::string(texts::kOpenPictureTitle), "*.bmp", DialogFolder()});
  RememberDialogFolder(chosen);
  InspectCover(chosen);
}

void MainWindowCommands::ShowPreview(const std::string& path) {
  // Enough pixels for a maximised window's preview box, read from the
  // header and the rows shown only: a damaged or huge picture costs no
  // more than a small one.
  constexpr int kThumbnailSize = 1024;
  auto thumb = preview::ReadThumbnail(path, kThumbnailSize, kThumbnailSize);
  if (thumb) {
    SetProperty(platform_.controls, names::kImagepre, prop::kImage,
                Image{thumb->width, thumb->height, std::move(thumb->rgb)});
    if (SetProperty(platform_.controls, names::kImagepre, prop::kPicture, path)) return;
  }
  SetProperty(platform_.controls, names::kImagepre, prop::kPicture, std::string{});
}

void MainWindowCommands::CoverDropped(const std::string& path) { InspectCover(path); }

void MainWindowCommands::InspectCover(const std::optional<std::string>& chosen) {
  const std::string previous = state_.coverPath;
  if (chosen) state_.coverPath = *chosen;
  if (state_.coverPath.empty()) return;

  // A refused picture must not stay the current cover, or the hide command
  // could write into it. A newly chosen one leaves the previous picture as it
  // was; the current one, refused now that it changed on disk, takes what the
  // window showed of it along.
  auto refuse = [&](std::string_view message) {
    platform_.files.CloseAll();
    Show(message, "", kStyleStop);
    if (state_.coverPath != previous) {
      state_.coverPath = previous;
      return;
    }
    state_.coverPath.clear();
    state_.hasHiddenFile = 0;
    SetProperty(platform_.controls, names::kImagepre, prop::kPicture, std::string{});
    SetProperty(platform_.controls, names::kText1, prop::kText, std::string(texts::kChooseCoverHint));
    SetProperty(platform_.controls, names::kText2, prop::kText, std::string(texts::kChoosePayloadHint));
    SetProperty(platform_.controls, names::kLabtmp, prop::kCaption, std::string{});
    SetProperty(platform_.controls, names::kLabfinish, prop::kCaption, std::string{});
  };

  try {
    // Read-only: inspecting a picture never creates or changes a file.
    NumberedFile& cover = platform_.files.Open(kCoverFile, state_.coverPath, OpenMode::kReadOnly);
    // The same test as the hiding's own, so the window never offers a file
    // that the hiding would refuse or write outside its pixels.
    const carrier::BmpReading reading = carrier::ReadBmpLayout(cover.Unbuffered());
    if (!reading.IsCover()) return refuse(texts::kNotBmp);
    const auto facts = carrier::ReadCarrierFacts(cover.Unbuffered());
    // The picture is judged by its header alone: one whose pixels cannot be
    // shown (cut short, say) is still a cover, only without a preview.
    ShowPreview(state_.coverPath);
    SetProperty(platform_.controls, names::kText1, prop::kText, std::string(texts::kCoverPrefix) + state_.coverPath);

    state_.hasHiddenFile = static_cast<std::int32_t>(facts.marker);
    SetProperty(platform_.controls, names::kLabtmp, prop::kCaption,
                std::string(facts.IsSealed()    ? texts::kHoldsSealedFile
                            : facts.HoldsFile() ? texts::kHoldsFile
                                                : texts::kClean));
    SetProperty(platform_.controls, names::kLabfinish, prop::kCaption, std::string{});
    if (facts.IsSealed()) {
      // The extension is inside the seal: the output's name is known once
      // the password has opened it.
      state_.hiddenExtension.clear();
      state_.outputPath.clear();
      ShowOutputTarget();
    } else if (facts.HoldsFile()) {
      // The stored bytes come from the picture: never let them steer the
      // output file out of its folder.
      state_.hiddenExtension =
          carrier::SafeExtension(facts.pixelOffsetUsable ? facts.extension : std::string(carrier::kFallbackExtension));
      ShowOutputTarget();
    } else {
      SetProperty(platform_.controls, names::kText2, prop::kText,
                  std::string(texts::kCapacityPrefix) + std::to_string(carrier::KilobyteHint(*reading.layout)) +
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
  const auto chosen = platform_.dialogs.OpenFile({std::string(texts::kChooseFileTitle), "*.*", DialogFolder()});
  RememberDialogFolder(chosen);
  ChoosePayload(chosen);
}

void MainWindowCommands::PayloadDropped(const std::string& path) {
  if (!PayloadPreconditionsHold()) return;
  ChoosePayload(path);
}

void MainWindowCommands::ChoosePayload(const std::optional<std::string>& chosen) {
  if (chosen) {
    state_.payloadPath = *chosen;
    SetProperty(platform_.controls, names::kText2, prop::kText,
                std::string(texts::kPayloadPrefix) + state_.payloadPath);
  }
  SetProperty(platform_.controls, names::kTxtName, prop::kText, state_.payloadPath);
  const std::string name = GetText(platform_.controls, names::kTxtName, prop::kText);
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
  // The browser starts at the folder in use, while it is there.
  std::string current = state_.outputFolder;
  const bool root = current.size() == 1 || (current.size() == 3 && current[1] == ':');
  if (!root && !current.empty() && current.back() == platform_.environment.PathSeparator()) current.pop_back();
  const std::string start = NamesFolder(current) ? current : platform_.environment.PicturesFolder();
  ChooseOutputFolder(platform_.dialogs.BrowseForFolder(std::string(texts::kBrowseFolderTitle), start));
}

void MainWindowCommands::OutputFolderTyped() {
  const std::string typed = GetText(platform_.controls, names::kText3, prop::kText);
  // An emptied box keeps the folder in use, and shows it again.
  if (typed.empty()) {
    SetProperty(platform_.controls, names::kText3, prop::kText, state_.outputFolder);
    return;
  }
  ChooseOutputFolder(typed);
}

void MainWindowCommands::OutputFolderDropped(const std::string& path) { ChooseOutputFolder(FolderOf(path)); }

void MainWindowCommands::ChooseOutputFolder(const std::optional<std::string>& chosen) {
  std::string folder = chosen.value_or(GetText(platform_.controls, names::kText3, prop::kText));
  const char separator = platform_.environment.PathSeparator();
  if (folder.empty() || folder.back() != separator) folder.push_back(separator);
  state_.outputFolder = folder;
  SetProperty(platform_.controls, names::kText3, prop::kText, folder);
  if (state_.hasHiddenFile != 0) ShowOutputTarget();
}

}  // namespace veil
