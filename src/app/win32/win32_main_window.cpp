#include "app/win32/win32_main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "files/win32/win32_text.h"

namespace veil::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"VeilwrightMainWindow";
constexpr UINT kFirstMenuId = 2000;
constexpr UINT kInputRefused = WM_APP + 1;
constexpr UINT kOpenGivenPicture = WM_APP + 2;

TwipScale ScreenScale() {
  HDC screen = GetDC(nullptr);
  TwipScale scale{static_cast<double>(GetDeviceCaps(screen, LOGPIXELSX)),
                  static_cast<double>(GetDeviceCaps(screen, LOGPIXELSY))};
  ReleaseDC(nullptr, screen);
  return scale;
}

// The window's own DPI (its monitor's, under per-monitor awareness); the
// screen's where Windows is older than 10.
TwipScale WindowScale(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = get_dpi ? get_dpi(window) : 0;
  if (dpi == 0) return ScreenScale();
  return {static_cast<double>(dpi), static_cast<double>(dpi)};
}

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The outer size that gives the window its designed client area, menu bar
// included, at a scale.
SIZE FrameSize(const ui::WindowSpec& window, const TwipScale& scale) {
  RECT frame{0, 0, scale.ToPixelsX(window.design_client_width), scale.ToPixelsY(window.design_client_height)};
  AdjustWindowRectEx(&frame, kFrameStyle, TRUE, 0);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

bool Storable(wchar_t c) { return c >= 0x20 && c <= 0x7E; }

// The text on the clipboard, or nothing.
std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, forms::FormCosts form_costs)
    : instance_(instance), scale_(ScreenScale()) {
  environment_ = std::make_unique<Win32Environment>(hwnd_, scale_, [this] { EndProgram(); });
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hIcon = LoadIconW(instance_, L"VEILWRIGHT");
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kWindowClass;
  RegisterClassW(&window_class);

  const ui::WindowSpec& window = ui::MainWindow();
  const SIZE frame = FrameSize(window, scale_);
  hwnd_ = CreateWindowExW(WS_EX_ACCEPTFILES, kWindowClass, ToWide(window.caption).c_str(), kFrameStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, frame.cx, frame.cy, nullptr, nullptr, instance_, this);
  WindowPlatform platform{files_, boxes_, controls_, pump_, dialogs_, shell_, *environment_};
  dialog_host_ = std::make_unique<Win32DialogHost>(hwnd_, instance_, [this] { return scale_; });
  form_ = std::make_unique<ui::MainForm>(platform, settings_, dialog_host_.get(), form_costs);
  const TwipScale own = WindowScale(hwnd_);
  if (own.dpi_x != scale_.dpi_x) {  // on a monitor of another DPI than the primary's
    scale_ = own;
    environment_->SetScale(scale_);
    const SIZE sized = FrameSize(window, scale_);
    SetWindowPos(hwnd_, nullptr, 0, 0, sized.cx, sized.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  BuildMenu(window);
  BuildControls(window);
}

void Win32MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  scale_ = TwipScale{static_cast<double>(dpi), static_cast<double>(dpi)};
  environment_->SetScale(scale_);
  for (Control* each : controls_.All()) static_cast<Win32Control*>(each)->SetScale(scale_);
  // The new size brings a WM_SIZE, and with it the layout at the new scale.
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

Win32MainWindow::~Win32MainWindow() {
  files_.CloseAll();
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

UINT Win32MainWindow::CommandId(std::string_view name) const {
  for (const auto& [id, entry] : names_by_id_)
    if (entry == name) return id;
  return 0;
}

void Win32MainWindow::BuildMenu(const ui::WindowSpec& window) {
  HMENU bar = CreateMenu();
  std::map<std::string, HMENU> popups;
  std::vector<std::pair<const ui::ControlSpec*, std::pair<HMENU, UINT>>> entries;
  std::vector<ACCEL> accelerators;
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    const ui::ControlSpec& design = window.controls[i];
    if (design.kind != ControlKind::kMenuItem) continue;
    const UINT id = kFirstMenuId + static_cast<UINT>(i);
    names_by_id_[id] = design.name;
    std::wstring caption = ToWide(design.caption);
    if (!design.shortcut.empty()) caption += L"\t" + ToWide(design.shortcut);
    HMENU parent = design.container.empty() ? bar : popups.at(design.container);
    const UINT position = static_cast<UINT>(GetMenuItemCount(parent));
    if (ui::HoldsMenuItems(window, design.name)) {
      HMENU popup = CreatePopupMenu();
      popups[design.name] = popup;
      AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
    } else {
      AppendMenuW(parent, MF_STRING, id, caption.c_str());
    }
    if (design.shortcut == "Ctrl+O") accelerators.push_back({FCONTROL | FVIRTKEY, 'O', static_cast<WORD>(id)});
    entries.push_back({&design, {parent, position}});
  }
  SetMenu(hwnd_, bar);
  for (const auto& [design, place] : entries)
    controls_.Add(std::make_unique<Win32Control>(design->Shape(), place.first, place.second, hwnd_));
  if (!accelerators.empty())
    accelerators_ = CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size()));
}

void Win32MainWindow::BuildControls(const ui::WindowSpec& window) {
  BuildWin32Controls(window, hwnd_, instance_, scale_, controls_, names_by_id_,
                     [this](const ui::ControlSpec& design, Win32Control& control, UINT id) {
                       if (design.portable_text_only)
                         SetWindowSubclass(control.hwnd(), PasswordBoxProc, id, reinterpret_cast<DWORD_PTR>(this));
                       if (design.kind == ControlKind::kCheckBox) {
                         const std::string name = design.name;
                         control.OnValueChanged([this, name] { Dispatch(name); });
                       }
                     });
}

// The password boxes take printable ASCII only, the one thing the picture's
// header stores a byte for. Anything else, typed, composed or pasted, is
// refused whole, and the user is told; nothing is dropped or changed silently.
LRESULT CALLBACK Win32MainWindow::PasswordBoxProc(HWND edit, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                                  DWORD_PTR self) {
  auto* window = reinterpret_cast<Win32MainWindow*>(self);
  switch (message) {
    case WM_CHAR:
      // Control characters (backspace, Ctrl+A, Ctrl+V...) keep their meaning.
      if (w >= 0x20 && !Storable(static_cast<wchar_t>(w))) {
        window->RefuseInput(edit);
        return 0;
      }
      break;
    case WM_IME_CHAR:
    case WM_UNICHAR:
      if (message == WM_UNICHAR && w == UNICODE_NOCHAR) return TRUE;
      window->RefuseInput(edit);
      return 0;
    case WM_PASTE: {
      const std::wstring pasted = ClipboardText(edit);
      if (!std::all_of(pasted.begin(), pasted.end(), Storable)) {
        window->RefuseInput(edit);
        return 0;
      }
      break;
    }
  }
  return DefSubclassProc(edit, message, w, l);
}

void Win32MainWindow::RefuseInput(HWND edit) {
  if (refusal_pending_) return;  // one message for one key or paste
  refusal_pending_ = true;
  PostMessageW(hwnd_, kInputRefused, static_cast<WPARAM>(GetDlgCtrlID(edit)), 0);
}

void Win32MainWindow::Start() {
  form_->Form_Load();
  loaded_ = true;
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

int Win32MainWindow::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) pump_.Deliver(message);
  return static_cast<int>(message.wParam);
}

void Win32MainWindow::Dispatch(const std::string& name) { form_->Click(name); }

void Win32MainWindow::OpenOnStart(const std::string& picture) {
  given_picture_ = picture;
  PostMessageW(hwnd_, kOpenGivenPicture, 0, 0);
}

void Win32MainWindow::EndProgram() {
  ending_ = true;
  DestroyWindow(hwnd_);
}

void Win32MainWindow::OnCommand(UINT id, UINT code) {
  // Enter in a text box: the dialog manager asks the window for its default
  // command.
  if (id == IDOK && !names_by_id_.count(id)) {
    const auto focused = names_by_id_.find(static_cast<UINT>(GetDlgCtrlID(GetFocus())));
    if (focused != names_by_id_.end() && !form_->Busy()) form_->TextCommitted(focused->second);
    return;
  }
  auto found = names_by_id_.find(id);
  if (found == names_by_id_.end()) return;
  Win32Control* control = controls_.FindControl(found->second);
  if (control && control->kind() == ControlKind::kTextBox) {
    // The 9th character of a password box: refused, and said so.
    if (code == EN_MAXTEXT && ui::FindControl(ui::MainWindow(), found->second)->portable_text_only)
      RefuseInput(control->hwnd());
    // Left after its text changed, as Qt's editingFinished.
    if (code == EN_KILLFOCUS && SendMessageW(control->hwnd(), EM_GETMODIFY, 0, 0)) {
      SendMessageW(control->hwnd(), EM_SETMODIFY, FALSE, 0);
      if (!form_->Busy()) form_->TextCommitted(found->second);
    }
    return;
  }
  if (control && control->kind() == ControlKind::kCheckBox) {
    if (code != BN_CLICKED || form_->Busy()) return;
    // A click ticks an unticked or greyed box and clears a ticked one.
    const double value = std::get<double>(*control->Get(prop::kValue));
    control->Set(prop::kValue, value == 1 ? 0.0 : 1.0);
    return;
  }
  if (control && control->kind() != ControlKind::kMenuItem && code != BN_CLICKED) return;
  Dispatch(found->second);
}

void Win32MainWindow::OnDropFiles(HDROP drop) {
  POINT at{};
  DragQueryPoint(drop, &at);
  std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
  path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
  DragFinish(drop);
  Win32Control* target =
      ControlAt(controls_, hwnd_, at, [this](const std::string& name) { return form_->TakesDrops(name); });
  if (target) form_->FileDropped(target->Name(), FromWide(path));
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, w, l);
  return self->Handle(message, w, l);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(w), HIWORD(w)); return 0;
    case WM_DROPFILES:
      if (form_->Busy())
        DragFinish(reinterpret_cast<HDROP>(w));
      else
        OnDropFiles(reinterpret_cast<HDROP>(w));
      return 0;
    case kOpenGivenPicture:
      if (!given_picture_.empty()) form_->PictureGiven(std::exchange(given_picture_, {}));
      return 0;
    case kInputRefused: {
      refusal_pending_ = false;
      auto found = names_by_id_.find(static_cast<UINT>(w));
      if (found != names_by_id_.end()) form_->InputRefused(found->second);
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      auto found = names_by_id_.find(item->CtlID);
      if (found != names_by_id_.end())
        if (Win32Control* control = controls_.FindControl(found->second)) control->DrawPicture(*item);
      return TRUE;
    }
    case WM_SETCURSOR:
      if (pump_.Waiting() && LOWORD(l) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(w);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SIZE:
      if (loaded_) {
        form_->Form_Resize();
        // Nothing of the old layout may stay painted in the gaps.
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
      }
      return 0;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(w), *reinterpret_cast<const RECT*>(l)); return 0;
    case WM_CLOSE:
      if (ending_) break;
      if (form_->CloseRequested()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(hwnd_, message, w, l);
}

}  // namespace veil::win32
