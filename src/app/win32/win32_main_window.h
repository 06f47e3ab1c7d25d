#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/win32_dialog_host.h"
#include "app/win32/win32_form_builder.h"
#include "files/numbered_files.h"
#include "platform/owned_controls.h"
#include "platform/win32/win32_control.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_dialogs.h"
#include "window/definition/main_form.h"

namespace veil::win32 {

// The main window on the Win32 API, built from the window's definition, with
// its logic in ui::MainForm: this class only translates window messages into
// its calls.
class Win32MainWindow {
 public:
  // form_costs: what the forms' key derivations cost; only tests ask less.
  explicit Win32MainWindow(HINSTANCE instance, forms::FormCosts form_costs = {});
  ~Win32MainWindow();
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  // Runs the load event, then shows the window.
  void Start();
  // Opens the picture the program was started with, once the window shows.
  void OpenOnStart(const std::string& picture);
  // The message loop; returns the exit status the window was closed with.
  int Run();

  HWND hwnd() const { return hwnd_; }
  const TwipScale& scale() const { return scale_; }
  ui::MainForm& form() { return *form_; }
  Win32Controls& controls() { return controls_; }
  // The command identifier of a control or menu entry.
  UINT CommandId(std::string_view name) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK PasswordBoxProc(HWND edit, UINT message, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void BuildMenu(const ui::WindowSpec& window);
  void BuildControls(const ui::WindowSpec& window);
  void OnCommand(UINT id, UINT code);
  void OnDropFiles(HDROP drop);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void Dispatch(const std::string& name);
  void EndProgram();
  // Tells the window logic, once the key or paste that caused it is done,
  // that a password box refused input.
  void RefuseInput(HWND edit);

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HACCEL accelerators_ = nullptr;
  TwipScale scale_;
  Win32Controls controls_;
  std::map<UINT, std::string> names_by_id_;
  NumberedFiles files_;
  Win32MessageBoxes boxes_{hwnd_};
  Win32FileDialogs dialogs_{hwnd_};
  Win32Shell shell_{hwnd_};
  Win32SettingsStore settings_;
  Win32Pump pump_{hwnd_, accelerators_};
  std::unique_ptr<Win32Environment> environment_;
  std::unique_ptr<Win32DialogHost> dialog_host_;
  std::unique_ptr<ui::MainForm> form_;
  std::string given_picture_;
  bool loaded_ = false;
  bool ending_ = false;
  bool refusal_pending_ = false;
};

}  // namespace veil::win32
