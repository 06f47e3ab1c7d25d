#include "window/definition/memory_dialog_host.h"

#include "window/definition/memory_window.h"

namespace veil::ui {

MemoryDialog::MemoryDialog(const WindowSpec& design, DialogEvents& events) : design_(design), events_(events) {
  BuildMemoryWindow(design, controls_);
}

void MemoryDialog::Type(std::string_view control, const std::string& text) {
  SetProperty(controls_, control, prop::kText, text);
  events_.TextEdited(control);
}

void MemoryDialog::Drop(std::string_view control, const std::string& path) {
  if (events_.TakesDrops(control)) events_.FileDropped(control, path);
}

bool MemoryDialog::CloseBox() {
  if (events_.CloseRequested()) closed_ = true;
  return closed_;
}

std::string MemoryDialog::Text(std::string_view control) { return GetText(controls_, control, prop::kText); }
std::string MemoryDialog::Caption(std::string_view control) { return GetText(controls_, control, prop::kCaption); }
double MemoryDialog::Value(std::string_view control) { return GetNumber(controls_, control, prop::kValue); }
bool MemoryDialog::Enabled(std::string_view control) { return GetFlag(controls_, control, prop::kEnabled); }

MemoryDialogHost::~MemoryDialogHost() {
  if (!scripts_.empty()) report_fault_(std::to_string(scripts_.size()) + " queued dialog script(s) never used");
}

void MemoryDialogHost::RunModal(const WindowSpec& design, DialogEvents& events) {
  shown_.push_back(design.caption);
  MemoryDialog dialog(design, events);
  events.Opened(dialog);
  if (scripts_.empty()) {
    report_fault_("unexpected dialog: " + design.caption);
    return;
  }
  Script script = std::move(scripts_.front());
  scripts_.pop_front();
  script(dialog);
  if (!dialog.Closed()) dialog.CloseBox();
}

}  // namespace veil::ui
