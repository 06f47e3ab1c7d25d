#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control.h"

namespace veil::ui {

using veil::ControlKind;

// What a file dropped onto a control stands for.
enum class DropTarget { kNone, kCover, kPayload, kOutputFolder };

struct FontSpec {
  std::string family;  // empty: the platform's default user-interface font
  double points = 9;
  int weight = 400;
  int charset = 0;
};

// One control of the main window, as designed. Geometry is in twips,
// relative to the container (the window's client area or a frame).
struct ControlSpec {
  std::string name;
  ControlKind kind;
  std::string container;  // empty: the window itself; for menu items, the parent menu
  std::string caption;    // caption, or initial text of a text box
  int left = 0, top = 0, width = 0, height = 0;
  int tab = -1;
  std::optional<FontSpec> font;  // a font of its own
  bool auto_size = false;        // labels that size themselves to their captions
  bool word_wrap = false;
  int max_length = 0;  // text boxes: 0 is unlimited
  bool portable_text_only = false;
  std::string shortcut;  // menu items: "Ctrl+O"
  DropTarget drop = DropTarget::kNone;
  bool masked = false;  // text boxes: a password, shown as dots

  ControlShape Shape() const {
    return {name, kind, auto_size, masked, double(left), double(top), double(width), double(height)};
  }
};

struct WindowSpec {
  std::string caption;
  int design_client_width = 0;  // twips
  int design_client_height = 0;
  std::vector<ControlSpec> controls;  // in creation order; menus in menu-bar order
  std::string default_button;         // dialogs: the button that Enter presses
};

const WindowSpec& MainWindow();
const ControlSpec* FindControl(const WindowSpec& window, std::string_view name);
// A menu entry that opens a menu of its own: some entry lies in it.
bool HoldsMenuItems(const WindowSpec& window, std::string_view name);

inline constexpr double kTwipsPerInch = 1440;

}  // namespace veil::ui
