#include "window/definition/main_form.h"

#include <cmath>
#include <map>

#include "codec/covers/cover_kind.h"
#include "files/file_failure.h"
#include "window/commands/control_names.h"
#include "window/definition/form_dialogs.h"
#include "window/definition/proportional_layout.h"
#include "window/forms/form_dialog.h"
#include "window/forms/form_names.h"
#include "window/settings/user_settings.h"

namespace veil::ui {
namespace {

using Handler = void (MainWindowCommands::*)();

const std::map<std::string, Handler, std::less<>>& ClickHandlers() {
  static const std::map<std::string, Handler, std::less<>> handlers = {
      {std::string(names::kCmdopen), &MainWindowCommands::cmdopen_Click},
      {std::string(names::kOpen), &MainWindowCommands::open_Click},
      {std::string(names::kCmdMsgSelect), &MainWindowCommands::CmdMsgSelect_Click},
      {std::string(names::kCmdadd), &MainWindowCommands::cmdadd_Click},
      {std::string(names::kChkPassword), &MainWindowCommands::ChkPassword_Click},
      {std::string(names::kCmdout), &MainWindowCommands::cmdout_Click},
      {std::string(names::kChkclearBmp), &MainWindowCommands::ChkclearBmp_Click},
      {std::string(names::kCmdchgOutPath), &MainWindowCommands::cmdchgOutPath_Click},
  };
  return handlers;
}

// Restores the flag however the handler ends.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }

 private:
  bool& busy_;
};

}  // namespace

MainForm::MainForm(WindowPlatform platform, SettingsStore& settings, DialogHost* dialogs, forms::FormCosts costs)
    : platform_(platform), settings_(settings), dialogs_(dialogs), costs_(costs), commands_(state_, platform) {}

void MainForm::RunFormDialog(forms::FormTask task, const std::string& picture) {
  if (!dialogs_) return;
  const WindowSpec& design = task == forms::FormTask::kSealedHide    ? SealedHideDialog()
                             : task == forms::FormTask::kStealthHide ? StealthHideDialog()
                                                                     : OpenWithPasswordDialog();
  forms::FormDialog dialog(task, platform_, costs_, picture);
  dialogs_->RunModal(design, dialog);
}

void MainForm::Form_Load() {
  state_.formatVersion = 0x10000000;
  state_.hasHiddenFile = 0;
  state_.passwordText = "00000000";
  CentreWindow();
  ApplyClearPreference();
  ShowStartingOutputFolder();
  const TwipSize client = platform_.environment.ClientSize();
  designWidth = static_cast<std::int32_t>(std::lround(client.width));
  designHeight = static_cast<std::int32_t>(std::lround(client.height));
  RecordDesignLayout(platform_.controls);
}

void MainForm::CentreWindow() {
  const TwipSize screen = platform_.environment.ScreenSize();
  const TwipSize window = platform_.environment.WindowSize();
  // Rounded first, then halved towards zero: a window larger than the screen
  // gets a small negative position.
  const long left = std::lround(screen.width - window.width) / 2;
  const long top = std::lround(screen.height - window.height) / 2;
  platform_.environment.MoveWindow(static_cast<double>(left), static_cast<double>(top));
}

void MainForm::ApplyClearPreference() {
  const int stored = settings::ReadClearAfterExtractPreference(settings_);
  SetProperty(platform_.controls, names::kChkclearBmp, prop::kValue, static_cast<double>(stored));
  state_.clearAfterExtract = GetNumber(platform_.controls, names::kChkclearBmp, prop::kValue) != 0;
}

void MainForm::ShowStartingOutputFolder() {
  std::string folder = platform_.environment.ProgramFolder();
  // An installed program's folder is the system's, not the user's, even
  // for a user (root, an administrator) who may write in it.
  if (!platform_.environment.FolderIsWritable(folder) || platform_.environment.IsSystemFolder(folder))
    folder = platform_.environment.DocumentsFolder();
  SetProperty(platform_.controls, names::kText3, prop::kText, folder);
  const char separator = platform_.environment.PathSeparator();
  state_.outputFolder = folder;
  if (folder.empty() || folder.back() != separator) state_.outputFolder.push_back(separator);
}

void MainForm::Form_Resize() {
  if (designWidth == 0 || designHeight == 0) return;  // not loaded yet
  const TwipSize client = platform_.environment.ClientSize();
  ApplyProportionalLayout(platform_.controls, client.width, client.height, designWidth, designHeight);
}

void MainForm::Form_Unload() { platform_.files.CloseAll(); }

void MainForm::EndProgram() {
  platform_.files.CloseAll();
  platform_.environment.EndProgram();
}

template <typename Command>
void MainForm::RunCommand(Command&& command) {
  if (busy_) return;
  {
    BusyScope scope(busy_);
    command();
  }
  if (close_pending_) {
    close_pending_ = false;
    platform_.environment.CloseWindow();
  }
}

void MainForm::Click(std::string_view control) {
  if (busy_) return;
  if (control == names::kCmdexit || control == names::kOut) return EndProgram();
  if (control == names::kFormsSealedHide) return RunCommand([&] { RunFormDialog(forms::FormTask::kSealedHide); });
  if (control == names::kFormsStealthHide) return RunCommand([&] { RunFormDialog(forms::FormTask::kStealthHide); });
  if (control == names::kFormsOpen) return RunCommand([&] { RunFormDialog(forms::FormTask::kOpen); });
  auto handler = ClickHandlers().find(control);
  if (handler == ClickHandlers().end()) return;  // "help" and the rest do nothing
  RunCommand([&] { (commands_.*(handler->second))(); });
}

bool MainForm::TakesDrops(std::string_view control) const {
  const ControlSpec* design = FindControl(MainWindow(), control);
  return design && design->drop != DropTarget::kNone;
}

void MainForm::FileDropped(std::string_view control, const std::string& path) {
  const ControlSpec* design = FindControl(MainWindow(), control);
  if (!design) return;
  switch (design->drop) {
    case DropTarget::kCover: return RunCommand([&] { commands_.CoverDropped(path); });
    case DropTarget::kPayload: return RunCommand([&] { commands_.PayloadDropped(path); });
    case DropTarget::kOutputFolder: return RunCommand([&] { commands_.OutputFolderDropped(path); });
    case DropTarget::kNone: return;
  }
}

void MainForm::PictureGiven(const std::string& path) {
  bool stealth_only = false;
  try {
    const auto picture = platform_.files.opener()(path, OpenMode::kReadOnly);
    stealth_only = codec::CarriesOnlyStealth(codec::ReadCoverKind(*picture));
  } catch (const FileFailure&) {
    // The cover's own inspection tells the user.
  }
  if (stealth_only && dialogs_) return RunCommand([&] { RunFormDialog(forms::FormTask::kOpen, path); });
  RunCommand([&] { commands_.CoverDropped(path); });
}

void MainForm::InputRefused(std::string_view control) {
  const ControlSpec* design = FindControl(MainWindow(), control);
  if (design && design->portable_text_only) RunCommand([&] { commands_.PasswordInputRefused(); });
}

void MainForm::TextCommitted(std::string_view control) {
  if (control == names::kText3) RunCommand([&] { commands_.OutputFolderTyped(); });
}

bool MainForm::CloseRequested() {
  // A command still running owns the open files: close once it is done.
  if (busy_) {
    close_pending_ = true;
    return false;
  }
  Form_Unload();
  return true;
}

}  // namespace veil::ui
