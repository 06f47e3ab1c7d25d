#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "codec/shared_state.h"
#include "commands/main_window_commands.h"
#include "platform/settings_store.h"

namespace veil::ui {

// The main window's logic: start-up, shut-down, resizing and the routing of
// clicks and drops to the command handlers. Whatever draws the window (Qt,
// Win32, or the tests' memory controls) calls in here.
class MainForm {
 public:
  MainForm(WindowPlatform platform, SettingsStore& settings);

  void Form_Load();
  void Form_Resize();
  void Form_Unload();

  // A click on the named control or menu item (check boxes: a change of
  // their value). Refused while another command is still running, so that a
  // second command can never share the files of a running one.
  void Click(std::string_view control);
  // A file dropped onto the named control.
  void FileDropped(std::string_view control, const std::string& path);
  bool Busy() const { return busy_; }

  SharedState& state() { return state_; }
  MainWindowCommands& commands() { return commands_; }
  std::int32_t designWidth = 0;
  std::int32_t designHeight = 0;

 private:
  void CentreWindow();
  void ApplyClearPreference();
  void ShowProgramFolder();
  void EndProgram();

  WindowPlatform platform_;
  SettingsStore& settings_;
  SharedState state_;
  MainWindowCommands commands_;
  bool busy_ = false;
};

}  // namespace veil::ui
