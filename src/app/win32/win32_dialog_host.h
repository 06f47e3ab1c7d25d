#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "app/win32/win32_form_builder.h"
#include "window/definition/dialog_host.h"

namespace veil::win32 {

// A dialog built from its definition by the main window's machinery, as a
// system dialog (the dialog manager's Tab, Enter and Escape), its events
// handed to the logic behind it.
class Win32FormDialog final : public ui::DialogWindow {
 public:
  Win32FormDialog(const ui::WindowSpec& design, ui::DialogEvents& events, HINSTANCE instance, TwipScale scale)
      : design_(design), events_(events), instance_(instance), scale_(scale) {}

  ControlSet& Controls() override { return controls_; }
  void Close() override;
  // Shows the dialog over owner until it closes.
  void Run(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  INT_PTR Handle(UINT message, WPARAM w, LPARAM l);
  void Build();
  void OnCommand(UINT id, UINT code);
  void OnDropFiles(HDROP drop);
  void CloseIfAllowed();

  const ui::WindowSpec& design_;
  ui::DialogEvents& events_;
  HINSTANCE instance_;
  TwipScale scale_;
  HWND hwnd_ = nullptr;
  Win32Controls controls_;
  std::map<UINT, std::string> names_by_id_;
};

class Win32DialogHost final : public ui::DialogHost {
 public:
  Win32DialogHost(HWND& owner, HINSTANCE instance, std::function<TwipScale()> scale);
  void RunModal(const ui::WindowSpec& design, ui::DialogEvents& events) override;

 private:
  HWND& owner_;
  HINSTANCE instance_;
  std::function<TwipScale()> scale_;
};

}  // namespace veil::win32
