#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "platform/owned_controls.h"
#include "platform/win32/win32_control.h"
#include "window/definition/window_definition.h"

namespace veil::win32 {

using Win32Controls = OwnedControls<Win32Control>;

// The command identifiers of a window's controls: the first plus the
// control's place in its definition.
inline constexpr UINT kFirstControlId = 1000;
UINT ControlId(const ui::WindowSpec& window, std::string_view name);

// Builds the placed controls of a window's definition (the main window's and
// the dialogs' alike) as children of parent: each window control behind its
// Win32Control in controls, in creation order, its identifier in names_by_id,
// and the focus in the designed tab order with the frames beneath.
// created sees each new control, for what only one window adds.
void BuildWin32Controls(const ui::WindowSpec& window, HWND parent, HINSTANCE instance, TwipScale scale,
                        Win32Controls& controls, std::map<UINT, std::string>& names_by_id,
                        const std::function<void(const ui::ControlSpec&, Win32Control&, UINT id)>& created = {});

// The control under a point of parent's client area that takes a file
// dropped there, or nothing.
Win32Control* ControlAt(Win32Controls& controls, HWND parent, POINT at,
                        const std::function<bool(const std::string&)>& takes_drops);

}  // namespace veil::win32
