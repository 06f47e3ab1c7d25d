#pragma once

#include <QAction>
#include <QEvent>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/owned_controls.h"
#include "platform/qt/qt_control.h"
#include "platform/twips.h"
#include "window/definition/window_definition.h"

namespace veil::qt {

using QtControls = OwnedControls<QtControl>;

// What the widgets of a definition report, by control name.
struct QtFormEvents {
  std::function<void(const std::string&)> clicked;    // buttons; check boxes on every change
  std::function<void(const std::string&)> edited;     // a text box's text changed by the user
  std::function<void(const std::string&)> committed;  // Enter, or the focus left after a change
  std::function<void(const std::string&)> refused;    // a password box refused what was typed
  std::function<bool(const std::string&)> takes_drops;
  // The menu entries, which only a main window has.
  std::function<QAction*(const ui::ControlSpec&)> menu_entry;
};

// Builds every control of a window's definition under root, the main
// window's and the dialogs' alike: the widgets, each behind its QtControl in
// controls in creation order, their fonts, the drops they take, and the
// keyboard focus in the designed tab order. filter sees every widget's
// events.
void BuildQtControls(const ui::WindowSpec& window, QWidget* root, QObject* filter, TwipScale scale,
                     const QtFormEvents& events, QtControls& controls);

// A file dragged over or dropped onto a widget that takes drops: accepts
// it and, on the drop, tells dropped its local path. False for other events.
bool HandleFileDrop(QEvent* event, const std::function<void(const std::string&)>& dropped);

}  // namespace veil::qt
