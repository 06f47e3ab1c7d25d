#include "platform/win32/win32_main_window.h"

#include <algorithm>

#include "platform/win32/win32_text.h"

namespace veil::win32 {
namespace {

constexpr char kWindowClass[] = "VeilwrightMainWindow";
constexpr UINT kFirstControlId = 1000;
constexpr UINT kFirstMenuId = 2000;

TwipScale ScreenScale() {
  HDC screen = GetDC(nullptr);
  TwipScale scale{static_cast<double>(GetDeviceCaps(screen, LOGPIXELSX)),
                  static_cast<double>(GetDeviceCaps(screen, LOGPIXELSY))};
  ReleaseDC(nullptr, screen);
  return scale;
}

struct WindowClass {
  const char* name;
  DWORD style;
};

WindowClass ClassFor(const ui::ControlSpec& design) {
  switch (design.kind) {
    case ui::ControlKind::kFrame: return {"BUTTON", BS_GROUPBOX};
    case ui::ControlKind::kLabel:
      return {"STATIC", static_cast<DWORD>(design.word_wrap ? SS_LEFT : SS_LEFTNOWORDWRAP)};
    case ui::ControlKind::kTextBox: return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP};
    case ui::ControlKind::kButton: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    // The program sets the value itself, so that the third state can be shown.
    case ui::ControlKind::kCheckBox: return {"BUTTON", BS_3STATE | WS_TABSTOP};
    case ui::ControlKind::kPictureBox: return {"STATIC", SS_OWNERDRAW};
    case ui::ControlKind::kMenuItem: break;
  }
  return {"STATIC", 0};
}

// The password boxes take printable ASCII only: the header stores one byte
// per character.
LRESULT CALLBACK PortableTextProc(HWND edit, UINT message, WPARAM w, LPARAM l) {
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_USERDATA));
  if (message == WM_CHAR && w >= 0x7F) return 0;
  if (message == WM_IME_CHAR) return 0;
  return CallWindowProcA(original, edit, message, w, l);
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance) : instance_(instance), scale_(ScreenScale()) {
  environment_ = std::make_unique<Win32Environment>(hwnd_, scale_, [this] { EndProgram(); });
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconA(instance_, "VEILWRIGHT");
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kWindowClass;
  RegisterClassA(&window_class);

  const ui::WindowSpec& window = ui::MainWindow();
  RECT frame{0, 0, scale_.ToPixelsX(window.design_client_width), scale_.ToPixelsY(window.design_client_height)};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRectEx(&frame, style, TRUE, 0);
  hwnd_ = CreateWindowExA(0, kWindowClass, ToAnsi(window.caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance_, this);
  BuildMenu(window);
  BuildControls(window);

  WindowPlatform platform{files_, boxes_, controls_, pump_, dialogs_, shell_, *environment_};
  form_ = std::make_unique<ui::MainForm>(platform, settings_);
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
    if (design.kind != ui::ControlKind::kMenuItem) continue;
    const UINT id = kFirstMenuId + static_cast<UINT>(i);
    names_by_id_[id] = design.name;
    std::string caption = ToAnsi(design.caption);
    if (!design.shortcut.empty()) caption += "\t" + design.shortcut;
    const bool has_items = std::any_of(window.controls.begin(), window.controls.end(),
                                       [&](const ui::ControlSpec& c) { return c.container == design.name; });
    HMENU parent = design.container.empty() ? bar : popups.at(design.container);
    const UINT position = static_cast<UINT>(GetMenuItemCount(parent));
    if (has_items) {
      HMENU popup = CreatePopupMenu();
      popups[design.name] = popup;
      AppendMenuA(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
    } else {
      AppendMenuA(parent, MF_STRING, id, caption.c_str());
    }
    if (design.shortcut == "Ctrl+O") accelerators.push_back({FCONTROL | FVIRTKEY, 'O', static_cast<WORD>(id)});
    entries.push_back({&design, {parent, position}});
  }
  SetMenu(hwnd_, bar);
  for (const auto& [design, place] : entries)
    controls_.Add(std::make_unique<Win32Control>(*design, place.first, place.second, hwnd_));
  if (!accelerators.empty())
    accelerators_ = CreateAcceleratorTableA(accelerators.data(), static_cast<int>(accelerators.size()));
}

void Win32MainWindow::BuildControls(const ui::WindowSpec& window) {
  std::vector<std::pair<int, HWND>> tab_order;
  std::vector<HWND> frames;
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    const ui::ControlSpec& design = window.controls[i];
    if (design.kind == ui::ControlKind::kMenuItem) continue;
    const UINT id = kFirstControlId + static_cast<UINT>(i);
    names_by_id_[id] = design.name;
    const WindowClass window_class = ClassFor(design);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | window_class.style;
    const DWORD ex_style = design.kind == ui::ControlKind::kTextBox ? WS_EX_CLIENTEDGE : 0;
    HWND hwnd = CreateWindowExA(ex_style, window_class.name, ToAnsi(design.caption).c_str(), style, 0, 0, 0, 0,
                                hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    if (design.max_length > 0) SendMessageA(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(design.max_length), 0);
    if (design.portable_text_only) {
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PortableTextProc));
    }
    Win32Control* container = design.container.empty() ? nullptr : controls_.FindControl(design.container);
    Win32Control& control = controls_.Add(std::make_unique<Win32Control>(design, hwnd, container, scale_));
    if (design.kind == ui::ControlKind::kCheckBox) {
      const std::string name = design.name;
      control.OnValueChanged([this, name] { Dispatch(name); });
    }
    if (design.kind == ui::ControlKind::kFrame) frames.push_back(hwnd);
    else tab_order.push_back({design.tab, hwnd});
  }
  // Focus moves in the designed tab order; the frames lie beneath everything.
  std::sort(tab_order.begin(), tab_order.end());
  HWND previous = HWND_TOP;
  for (const auto& [tab, hwnd] : tab_order) {
    SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = hwnd;
  }
  for (HWND frame : frames) SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32MainWindow::Start() {
  form_->Form_Load();
  loaded_ = true;
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

int Win32MainWindow::Run() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) pump_.Deliver(message);
  return static_cast<int>(message.wParam);
}

void Win32MainWindow::Dispatch(const std::string& name) {
  form_->Click(name);
  if (close_pending_ && !form_->Busy()) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void Win32MainWindow::EndProgram() {
  ending_ = true;
  DestroyWindow(hwnd_);
}

void Win32MainWindow::OnCommand(UINT id, UINT code) {
  auto found = names_by_id_.find(id);
  if (found == names_by_id_.end()) return;
  Win32Control* control = controls_.FindControl(found->second);
  if (control && control->kind() == ui::ControlKind::kCheckBox) {
    if (code != BN_CLICKED || form_->Busy()) return;
    // A click ticks an unticked or greyed box and clears a ticked one.
    const double value = std::get<double>(*control->Get(prop::kValue));
    control->Set(prop::kValue, value == 1 ? 0.0 : 1.0);
    return;
  }
  if (control && control->kind() != ui::ControlKind::kMenuItem && code != BN_CLICKED) return;
  Dispatch(found->second);
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, message, w, l);
  return self->Handle(message, w, l);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(w), HIWORD(w));
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      auto found = names_by_id_.find(item->CtlID);
      if (found != names_by_id_.end())
        if (Win32Control* control = controls_.FindControl(found->second)) control->DrawPicture(*item);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(w);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SIZE:
      if (loaded_) form_->Form_Resize();
      return 0;
    case WM_CLOSE:
      if (ending_) break;
      // A command still running owns the open files: close once it is done.
      if (form_->Busy()) {
        close_pending_ = true;
        return 0;
      }
      form_->Form_Unload();
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, message, w, l);
}

}  // namespace veil::win32
