#include "app/win32/win32_dialog_host.h"

#include <commctrl.h>
#include <shellapi.h>

#include "files/win32/win32_text.h"

namespace veil::win32 {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

// An empty dialog template: the controls come from the definition.
struct EmptyTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, window_class = 0, title = 0;
};

}  // namespace

void Win32FormDialog::Run(HWND owner) {
  alignas(DWORD) EmptyTemplate empty{};
  empty.dialog.style = kDialogStyle;
  DialogBoxIndirectParamW(instance_, &empty.dialog, owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

void Win32FormDialog::Close() {
  if (hwnd_) EndDialog(hwnd_, 0);
}

void Win32FormDialog::CloseIfAllowed() {
  if (events_.CloseRequested()) Close();
}

INT_PTR CALLBACK Win32FormDialog::DialogProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Win32FormDialog*>(l);
    SetWindowLongPtrW(hwnd, DWLP_USER, static_cast<LONG_PTR>(l));
    self->hwnd_ = hwnd;
    self->Build();
    return FALSE;  // the focus is set
  }
  auto* self = reinterpret_cast<Win32FormDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self ? self->Handle(message, w, l) : FALSE;
}

void Win32FormDialog::Build() {
  SetWindowText(hwnd_, design_.caption);
  RECT frame{0, 0, scale_.ToPixelsX(design_.design_client_width), scale_.ToPixelsY(design_.design_client_height)};
  AdjustWindowRectEx(&frame, kDialogStyle, FALSE, 0);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(hwnd_, DM_REPOSITION, 0, 0);
  BuildWin32Controls(design_, hwnd_, instance_, scale_, controls_, names_by_id_);
  if (const UINT start = ControlId(design_, design_.default_button)) {
    SendMessageW(hwnd_, DM_SETDEFID, start, 0);
    SendDlgItemMessageW(hwnd_, static_cast<int>(start), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
  DragAcceptFiles(hwnd_, TRUE);
  for (const auto& design : design_.controls)
    if (design.tab == 0) SetFocus(GetDlgItem(hwnd_, static_cast<int>(ControlId(design_, design.name))));
  events_.Opened(*this);
}

void Win32FormDialog::OnCommand(UINT id, UINT code) {
  if (id == IDCANCEL) return CloseIfAllowed();  // Escape, the close box
  auto found = names_by_id_.find(id);
  if (found == names_by_id_.end()) return;
  Win32Control* control = controls_.FindControl(found->second);
  if (!control) return;
  if (control->kind() == ControlKind::kTextBox) {
    // Typed or pasted by the user: the box is marked modified then.
    if (code == EN_CHANGE && SendMessageW(control->hwnd(), EM_GETMODIFY, 0, 0)) events_.TextEdited(found->second);
    // Left after its text changed, as Qt's editingFinished.
    if (code == EN_KILLFOCUS && SendMessageW(control->hwnd(), EM_GETMODIFY, 0, 0)) {
      SendMessageW(control->hwnd(), EM_SETMODIFY, FALSE, 0);
      events_.TextCommitted(found->second);
    }
    return;
  }
  if (control->kind() == ControlKind::kButton && code == BN_CLICKED) events_.Click(found->second);
}

void Win32FormDialog::OnDropFiles(HDROP drop) {
  POINT at{};
  DragQueryPoint(drop, &at);
  std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
  path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
  DragFinish(drop);
  Win32Control* target =
      ControlAt(controls_, hwnd_, at, [this](const std::string& name) { return events_.TakesDrops(name); });
  if (target) events_.FileDropped(target->Name(), FromWide(path));
}

INT_PTR Win32FormDialog::Handle(UINT message, WPARAM w, LPARAM /*l*/) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(w), HIWORD(w)); return TRUE;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(w)); return TRUE;
    case WM_CLOSE: CloseIfAllowed(); return TRUE;
    case WM_DESTROY: hwnd_ = nullptr; return FALSE;
  }
  return FALSE;
}

Win32DialogHost::Win32DialogHost(HWND& owner, HINSTANCE instance, std::function<TwipScale()> scale)
    : owner_(owner), instance_(instance), scale_(std::move(scale)) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
}

void Win32DialogHost::RunModal(const ui::WindowSpec& design, ui::DialogEvents& events) {
  Win32FormDialog dialog(design, events, instance_, scale_());
  dialog.Run(owner_);
}

}  // namespace veil::win32
