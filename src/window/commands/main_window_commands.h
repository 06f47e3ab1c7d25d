#pragma once

#include <optional>
#include <string>

#include "codec/plain/carrier_reader.h"
#include "platform/environment.h"
#include "platform/file_dialogs.h"
#include "platform/shell.h"
#include "window/commands/shared_state.h"
#include "window/commands/window_runs.h"

namespace veil {

class OutputFile;

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

// The main window's command handlers, over the shared state and the runs.
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
  // A folder, or a file whose folder is meant, dropped onto Text3.
  void OutputFolderDropped(const std::string& path);
  // The user is done typing a folder into Text3 (Enter, or the box lost
  // the focus).
  void OutputFolderTyped();
  // A password box refused what was typed or pasted into it.
  void PasswordInputRefused();

  WindowRuns& runs() { return runs_; }

 private:
  void InspectCover(const std::optional<std::string>& chosen);
  // The picture's thumbnail in the preview box, or none when its pixels
  // cannot be shown.
  void ShowPreview(const std::string& path);
  void ChoosePayload(const std::optional<std::string>& chosen);
  void ChooseOutputFolder(const std::optional<std::string>& chosen);
  bool PayloadPreconditionsHold();
  bool SettlePassword();
  // The cover (open as file 1) was marked by another program since it was
  // inspected; tells the user so.
  bool HiddenMeanwhile();
  bool CheckExtractionRights(NumberedFile& cover);
  // Asks for the password of a sealed picture and opens its seal with it.
  bool OpenSealedPicture(NumberedFile& cover, const carrier::CarrierFacts& facts);
  // The output may be written: it is not the picture, and an existing file
  // is replaced only when the user says so.
  bool OutputMayBeWritten();
  bool Extract(OutputFile& output);
  void OfferViewing(bool written_through);
  void WipeMarker();
  std::string OutputPathFor(const std::string& extension) const;
  // Text2 (and outputPath): where the hidden file of the current picture
  // will go.
  void ShowOutputTarget();
  int Show(std::string_view text, std::string_view title, int style);
  // Where the file dialogs start: the folder of the last file chosen in
  // one, else the user's pictures folder.
  std::string DialogFolder();
  void RememberDialogFolder(const std::optional<std::string>& chosen);
  // Opens the cover as file 1, held against other programs until the
  // command closes it. False (after telling the user) when another program
  // holds it; true, with file 1 left closed, when it cannot be opened at all.
  bool LockCover(OpenMode mode);

  SharedState& state_;
  WindowPlatform platform_;
  WindowRuns runs_;
  std::string last_dialog_folder_;
};

}  // namespace veil
