#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace veil {

// Reads a line from the user's terminal without echoing it; nothing when
// there is no terminal.
std::optional<std::string> ReadSecretFromTerminal(const std::string& prompt);

// Message boxes of the command-line program. The program reports outcomes in
// its own English lines, so the boxes are only kept, not printed; question
// boxes answer No; input boxes ask on the terminal.
class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  using SecretReader = std::function<std::optional<std::string>(const std::string& prompt)>;
  explicit ConsoleMessageBoxes(SecretReader reader = ReadSecretFromTerminal) : reader_(std::move(reader)) {}

  int Show(std::string_view text, std::string_view title, int style) override;
  std::string Input(std::string_view prompt, std::string_view title) override;

  // False when the last input box found no terminal to ask on.
  bool LastInputAnswered() const { return last_input_answered_; }
  const std::vector<std::string>& Shown() const { return shown_; }

 private:
  SecretReader reader_;
  bool last_input_answered_ = true;
  std::vector<std::string> shown_;
};

}  // namespace veil
