#include "window/definition/memory_window.h"

namespace veil::ui {

void BuildMemoryWindow(const WindowSpec& window, MemoryControls& controls) {
  for (const ControlSpec& design : window.controls) {
    std::set<std::string, std::less<>> members = {"Enabled", "Visible", "Tag"};
    const bool placed = design.kind != ControlKind::kMenuItem;
    if (placed) members.insert({"Left", "Top", "Width", "Height"});
    if (placed && design.kind != ControlKind::kPictureBox) members.insert("FontSize");
    switch (design.kind) {
      case ControlKind::kTextBox: members.insert("Text"); break;
      case ControlKind::kCheckBox: members.insert({"Caption", "Value"}); break;
      case ControlKind::kPictureBox: members.insert("Picture"); break;
      case ControlKind::kProgressBar: members.insert("Value"); break;
      default: members.insert("Caption"); break;
    }
    MemoryControl& control = controls.Add(design.name, std::move(members));
    if (design.kind == ControlKind::kProgressBar)
      control.Set("Value", 0.0);
    else
      control.Set(design.kind == ControlKind::kTextBox ? "Text" : "Caption", design.caption);
    if (placed) {
      control.Move(design.left, design.top, design.width, design.height);
      if (design.kind != ControlKind::kPictureBox) control.Set("FontSize", design.font ? design.font->points : 9.0);
    }
  }
  controls.ClearHistory();
}

}  // namespace veil::ui
