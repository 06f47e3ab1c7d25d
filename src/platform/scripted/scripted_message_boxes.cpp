#include "platform/scripted/scripted_message_boxes.h"

namespace veil {

ScriptedMessageBoxes::ScriptedMessageBoxes(FaultReporter report_fault) : report_fault_(std::move(report_fault)) {}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { VerifyAllUsed(); }

int ScriptedMessageBoxes::Show(std::string_view text, std::string_view title, int style) {
  shown_.push_back({std::string(text), std::string(title.empty() ? kApplicationTitle : title), style});
  if (!IsQuestion(style)) return kAnswerOk;
  if (answers_.empty()) {
    report_fault_("unexpected question box: " + std::string(text));
    return kAnswerNo;
  }
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::string ScriptedMessageBoxes::Input(std::string_view prompt, std::string_view title) {
  prompts_.push_back({std::string(prompt), std::string(title), 0});
  if (inputs_.empty()) {
    report_fault_("unexpected input box: " + std::string(prompt));
    return {};
  }
  std::string text = std::move(inputs_.front());
  inputs_.pop_front();
  return text;
}

std::optional<std::string> ScriptedMessageBoxes::InputSecret(std::string_view prompt, std::string_view title) {
  prompts_.push_back({std::string(prompt), std::string(title), kMasked});
  if (secrets_.empty()) {
    report_fault_("unexpected masked input box: " + std::string(prompt));
    return std::nullopt;
  }
  std::optional<std::string> text = std::move(secrets_.front());
  secrets_.pop_front();
  return text;
}

void ScriptedMessageBoxes::VerifyAllUsed() {
  if (!answers_.empty()) report_fault_(std::to_string(answers_.size()) + " queued answer(s) never used");
  if (!inputs_.empty()) report_fault_(std::to_string(inputs_.size()) + " queued input(s) never used");
  if (!secrets_.empty()) report_fault_(std::to_string(secrets_.size()) + " queued masked input(s) never used");
  answers_.clear();
  inputs_.clear();
  secrets_.clear();
}

}  // namespace veil
