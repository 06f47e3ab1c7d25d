#pragma once

#include <string>
#include <string_view>

#include "platform/control.h"
#include "window/definition/window_definition.h"

namespace veil::ui {

// An open modal dialog, as the logic behind it sees it.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  virtual ControlSet& Controls() = 0;
  // Ends the dialog's modal loop once the current event is handled.
  virtual void Close() = 0;
};

// What a dialog tells the logic behind it, by control name. Every call
// comes on the window's own thread, also while the logic pumps messages
// during a long run.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  // The controls exist and show their designed values; the dialog is about
  // to show.
  virtual void Opened(DialogWindow& dialog) = 0;
  virtual void Click(std::string_view control) = 0;
  virtual bool TakesDrops(std::string_view control) const = 0;
  virtual void FileDropped(std::string_view control, const std::string& path) = 0;
  // The user changed a text box's text (each key, each paste).
  virtual void TextEdited(std::string_view control) = 0;
  // Enter in a text box, or the focus leaving it after a change.
  virtual void TextCommitted(std::string_view control) = 0;
  // The close box or Escape: true when the dialog may close now.
  virtual bool CloseRequested() = 0;
};

// Builds a dialog from its definition with the machinery that builds the
// main window, shows it modally over the main window, and returns once it
// is closed.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  virtual void RunModal(const WindowSpec& design, DialogEvents& events) = 0;
};

}  // namespace veil::ui
