#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace veil {

// Message and input boxes for tests: every box is recorded, questions and
// input boxes take their answers from a queue, and anything unexpected (a
// prompt with no queued answer, an answer nobody used) is reported as a fault.
class ScriptedMessageBoxes final : public MessageBoxes {
 public:
  struct Box {
    std::string text;
    std::string title;  // as shown: the application title when none was given
    int style = 0;
    bool operator==(const Box&) const = default;
  };
  using FaultReporter = std::function<void(const std::string&)>;

  explicit ScriptedMessageBoxes(FaultReporter report_fault);
  ~ScriptedMessageBoxes() override;

  void QueueAnswer(int answer) { answers_.push_back(answer); }
  void QueueInput(std::string text) { inputs_.push_back(std::move(text)); }
  // An answer for a masked box: the typed text, or nothing for Cancel.
  void QueueSecret(std::optional<std::string> text) { secrets_.push_back(std::move(text)); }

  int Show(std::string_view text, std::string_view title, int style) override;
  std::string Input(std::string_view prompt, std::string_view title) override;
  std::optional<std::string> InputSecret(std::string_view prompt, std::string_view title) override;

  const std::vector<Box>& Shown() const { return shown_; }
  // Input boxes as {prompt, title, 0}, masked ones as {prompt, title, kMasked}.
  static constexpr int kMasked = 1;
  const std::vector<Box>& Prompts() const { return prompts_; }
  void Clear() {
    shown_.clear();
    prompts_.clear();
  }
  // Reports answers that were queued but never used, and forgets them.
  void VerifyAllUsed();

 private:
  FaultReporter report_fault_;
  std::deque<int> answers_;
  std::deque<std::string> inputs_;
  std::deque<std::optional<std::string>> secrets_;
  std::vector<Box> shown_;
  std::vector<Box> prompts_;
};

}  // namespace veil
