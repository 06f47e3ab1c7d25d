#include "app/win32/win32_form_builder.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "files/win32/win32_text.h"

namespace veil::win32 {
namespace {

struct WindowClass {
  const wchar_t* name;
  DWORD style;
};

WindowClass ClassFor(const ui::ControlSpec& design) {
  switch (design.kind) {
    case ControlKind::kFrame: return {L"BUTTON", BS_GROUPBOX};
    case ControlKind::kLabel: return {L"STATIC", static_cast<DWORD>(design.word_wrap ? SS_LEFT : SS_LEFTNOWORDWRAP)};
    case ControlKind::kTextBox:
      return {L"EDIT", static_cast<DWORD>(ES_AUTOHSCROLL | WS_TABSTOP | (design.masked ? ES_PASSWORD : 0))};
    case ControlKind::kButton: return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    // The program sets the value itself, so that the third state can be shown.
    case ControlKind::kCheckBox: return {L"BUTTON", BS_3STATE | WS_TABSTOP};
    case ControlKind::kPictureBox: return {L"STATIC", SS_OWNERDRAW};
    case ControlKind::kProgressBar: return {PROGRESS_CLASSW, 0};
    case ControlKind::kMenuItem: break;
  }
  return {L"STATIC", 0};
}

}  // namespace

UINT ControlId(const ui::WindowSpec& window, std::string_view name) {
  for (std::size_t i = 0; i < window.controls.size(); ++i)
    if (window.controls[i].name == name) return kFirstControlId + static_cast<UINT>(i);
  return 0;
}

void BuildWin32Controls(const ui::WindowSpec& window, HWND parent, HINSTANCE instance, TwipScale scale,
                        Win32Controls& controls, std::map<UINT, std::string>& names_by_id,
                        const std::function<void(const ui::ControlSpec&, Win32Control&, UINT id)>& created) {
  std::vector<std::pair<int, HWND>> tab_order;
  std::vector<HWND> frames;
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    const ui::ControlSpec& design = window.controls[i];
    if (design.kind == ControlKind::kMenuItem) continue;
    const UINT id = kFirstControlId + static_cast<UINT>(i);
    names_by_id[id] = design.name;
    const WindowClass window_class = ClassFor(design);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | window_class.style;
    const DWORD ex_style = design.kind == ControlKind::kTextBox ? WS_EX_CLIENTEDGE : 0;
    HWND hwnd = CreateWindowExW(ex_style, window_class.name, ToWide(design.caption).c_str(), style, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
    if (design.max_length > 0) SendMessageW(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(design.max_length), 0);
    if (design.kind == ControlKind::kProgressBar) SendMessageW(hwnd, PBM_SETRANGE32, 0, 100);
    Win32Control* container = design.container.empty() ? nullptr : controls.FindControl(design.container);
    Win32Control& control =
        design.font ? controls.Add(std::make_unique<Win32Control>(
                          design.Shape(), hwnd, container, scale, ToWide(design.font->family), design.font->points,
                          design.font->weight, static_cast<BYTE>(design.font->charset)))
                    : controls.Add(std::make_unique<Win32Control>(design.Shape(), hwnd, container, scale));
    if (created) created(design, control, id);
    if (design.kind == ControlKind::kFrame)
      frames.push_back(hwnd);
    else
      tab_order.push_back({design.tab, hwnd});
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

Win32Control* ControlAt(Win32Controls& controls, HWND parent, POINT at,
                        const std::function<bool(const std::string&)>& takes_drops) {
  // Frames are seen through.
  for (Control* each : controls.All()) {
    auto* control = static_cast<Win32Control*>(each);
    if (!control->hwnd() || control->kind() == ControlKind::kFrame || !IsWindowVisible(control->hwnd())) continue;
    RECT place{};
    GetWindowRect(control->hwnd(), &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    if (PtInRect(&place, at) && takes_drops(control->Name())) return control;
  }
  return nullptr;
}

}  // namespace veil::win32
