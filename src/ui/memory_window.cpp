#include "ui/memory_window.h"

namespace veil::ui {

void BuildMemoryWindow(const WindowSpec& window, MemoryControls& controls) {
  for (const ControlSpec& spec : window.controls) {
    std::set<std::string, std::less<>> members = {"Enabled", "Visible", "Tag"};
    const bool placed = spec.kind != ControlKind::kMenuItem;
    if (placed) members.insert({"Left", "Top", "Width", "Height"});
    if (placed && spec.kind != ControlKind::kPictureBox) members.insert("FontSize");
    switch (spec.kind) {
      case ControlKind::kTextBox: members.insert("Text"); break;
      case ControlKind::kCheckBox: members.insert({"Caption", "Value"}); break;
      case ControlKind::kPictureBox: members.insert("Picture"); break;
      default: members.insert("Caption"); break;
    }
    MemoryControl& control = controls.Add(spec.name, std::move(members));
    control.Set(spec.kind == ControlKind::kTextBox ? "Text" : "Caption", spec.caption);
    if (placed) {
      control.Move(spec.left, spec.top, spec.width, spec.height);
      if (spec.kind != ControlKind::kPictureBox) control.Set("FontSize", spec.font ? spec.font->points : 9.0);
    }
  }
  controls.ClearHistory();
}

}  // namespace veil::ui
