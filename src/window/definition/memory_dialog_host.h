#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/memory_controls.h"
#include "window/definition/dialog_host.h"

namespace veil::ui {

// A dialog in memory, as the tests drive it: its controls are memory
// controls, and a person's actions are calls on its events.
class MemoryDialog final : public DialogWindow {
 public:
  MemoryDialog(const WindowSpec& design, DialogEvents& events);

  ControlSet& Controls() override { return controls_; }
  void Close() override { closed_ = true; }

  // What a person does in it.
  void Type(std::string_view control, const std::string& text);  // the box's text, then an edit event
  void Click(std::string_view control) { events_.Click(control); }
  void Drop(std::string_view control, const std::string& path);
  void Commit(std::string_view control) { events_.TextCommitted(control); }
  // The close box: true when the dialog closed.
  bool CloseBox();

  std::string Text(std::string_view control);
  std::string Caption(std::string_view control);
  double Value(std::string_view control);
  bool Enabled(std::string_view control);
  bool Closed() const { return closed_; }
  const WindowSpec& Design() const { return design_; }
  DialogEvents& Events() { return events_; }

 private:
  const WindowSpec& design_;
  DialogEvents& events_;
  MemoryControls controls_;
  bool closed_ = false;
};

// Shows each dialog in memory and runs the next queued script on it; a
// dialog the script leaves open is closed as its close box would, and a
// dialog nobody expected is a fault.
class MemoryDialogHost final : public DialogHost {
 public:
  using Script = std::function<void(MemoryDialog&)>;
  using FaultReporter = std::function<void(const std::string&)>;
  explicit MemoryDialogHost(FaultReporter report_fault) : report_fault_(std::move(report_fault)) {}
  ~MemoryDialogHost() override;

  void Queue(Script script) { scripts_.push_back(std::move(script)); }
  void RunModal(const WindowSpec& design, DialogEvents& events) override;
  // The captions of the dialogs shown, in order.
  const std::vector<std::string>& Shown() const { return shown_; }

 private:
  FaultReporter report_fault_;
  std::deque<Script> scripts_;
  std::vector<std::string> shown_;
};

}  // namespace veil::ui
