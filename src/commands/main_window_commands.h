#pragma once

#include <optional>
#include <string>

#include "codec/module2.h"
#include "codec/shared_state.h"
#include "platform/environment.h"
#include "platform/file_dialogs.h"
#include "platform/file_lock.h"
#include "platform/shell.h"

namespace veil {

// What the window's commands reach of the platform.
struct WindowPlatform {
  NumberedFiles& files;
  MessageBoxes& boxes;
  ControlSet& controls;
  MessagePump& pump;
  FileDialogs& dialogs;
  Shell& shell;
  Environment& environment;
};

// The main window's command handlers, over the shared state and the codec.
class MainWindowCommands {
 public:
  MainWindowCommands(SharedState& state, WindowPlatform platform);

  void cmdopen_Click();
  void open_Click() { cmdopen_Click(); }
  void CmdMsgSelect_Click();
  void cmdadd_Click();
  void ChkPassword_Click();
  void cmdout_Click();
  void ChkclearBmp_Click();
  void cmdchgOutPath_Click();

  // A file dropped onto the cover's boxes, or onto the file-to-hide boxes:
  // handled as if it had been chosen in the dialog.
  void CoverDropped(const std::string& path);
  void PayloadDropped(const std::string& path);

  Module2& codec() { return codec_; }

 private:
  void InspectCover(const std::optional<std::string>& chosen);
  void ChoosePayload(const std::optional<std::string>& chosen);
  bool PayloadPreconditionsHold();
  bool CheckExtractionRights(NumberedFile& cover);
  bool RunExtractionInto(const std::string& staging);
  void OfferViewing();
  void WipeMarker();
  std::string OutputPathFor(const std::string& extension) const;
  void ShowOutputTarget();
  int Show(std::string_view text, std::string_view title, int style);
  // Locks the cover against other programs while lock lives. False (after
  // telling the user) when another program holds it; a cover that cannot be
  // opened at all is left for the command's own file handling to report.
  bool LockCover(std::optional<FileLock>& lock);

  SharedState& state_;
  WindowPlatform platform_;
  Module2 codec_;
};

}  // namespace veil
