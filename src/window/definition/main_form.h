#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_store.h"
#include "window/commands/main_window_commands.h"
#include "window/commands/shared_state.h"
#include "window/definition/dialog_host.h"
#include "window/definition/window_definition.h"
#include "window/forms/form_costs.h"

namespace veil::ui {

// The main window's logic: start-up, shut-down, resizing, and the routing of
// clicks, drops and refused input to the command handlers, with the rule
// that one command runs at a time. Whatever draws the window (Qt, Win32, or
// the tests' memory controls) only translates its events into these calls.
class MainForm {
 public:
  // dialogs shows the sealed and stealth forms' dialogs (without one, their
  // menu does nothing); costs are their key derivations'.
  MainForm(WindowPlatform platform, SettingsStore& settings, DialogHost* dialogs = nullptr,
           forms::FormCosts costs = {});

  void Form_Load();
  void Form_Resize();
  void Form_Unload();

  // A click on the named control or menu item (check boxes: a change of
  // their value). Refused while another command is still running, so that a
  // second command can never share the files of a running one.
  void Click(std::string_view control);
  // Whether the named control takes dropped files, and a file dropped on it.
  bool TakesDrops(std::string_view control) const;
  void FileDropped(std::string_view control, const std::string& path);
  // A picture named on the program's command line: opened as if chosen; a
  // PNG or JPEG, which only the stealth form uses, in the dialog that opens
  // a picture with a password.
  void PictureGiven(const std::string& path);
  // A password box refused a character that the picture cannot store.
  void InputRefused(std::string_view control);
  // The user is done editing the named text box: Enter, or it lost the
  // focus after its text changed.
  void TextCommitted(std::string_view control);
  // The window takes no clicks, keys or drops while a command runs; it
  // still repaints and resizes.
  bool Busy() const { return busy_; }
  // The user asks to close the window. True when it may close now (the
  // unload event has run); false while a command runs: the window then
  // closes itself once the command is done.
  bool CloseRequested();

  SharedState& state() { return state_; }
  MainWindowCommands& commands() { return commands_; }
  std::int32_t designWidth = 0;
  std::int32_t designHeight = 0;

 private:
  void CentreWindow();
  void ApplyClearPreference();
  // The program's folder, where the user may write in it; else the user's
  // documents folder.
  void ShowStartingOutputFolder();
  void EndProgram();
  // Runs one command, then a close the user asked for meanwhile.
  template <typename Command>
  void RunCommand(Command&& command);
  // Shows one of the forms' dialogs until it is closed.
  void RunFormDialog(forms::FormTask task, const std::string& picture = {});

  WindowPlatform platform_;
  SettingsStore& settings_;
  DialogHost* dialogs_;
  forms::FormCosts costs_;
  SharedState state_;
  MainWindowCommands commands_;
  bool busy_ = false;
  bool close_pending_ = false;
};

}  // namespace veil::ui
