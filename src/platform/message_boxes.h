#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veil {

// Style values of a message box: icon and buttons in one number.
enum MessageStyle : int {
  kStyleStop = 16,           // stop icon, OK
  kStyleQuestionYesNo = 36,  // question icon, Yes and No
  kStyleExclamation = 48,    // exclamation icon, OK
  kStyleInformation = 64,    // information icon, OK
  // Yes and No with No as the default button, so that Enter declines.
  kStyleQuestionYesNoDefaultNo = 36 + 256,
};

// Whether a style asks Yes or No, and whether No is its default button.
constexpr bool IsQuestion(int style) { return (style & 0x0F) == 4; }
constexpr bool DefaultsToNo(int style) { return (style & 0x100) != 0; }

enum MessageAnswer : int {
  kAnswerOk = 1,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

inline constexpr std::string_view kApplicationTitle = "Veilwright";

// Modal message and input boxes.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // An empty title shows the application title.
  virtual int Show(std::string_view text, std::string_view title, int style) = 0;
  // Returns the typed text, or the empty text when the box is cancelled.
  virtual std::string Input(std::string_view prompt, std::string_view title) = 0;
  // The same box with the typed characters masked; nothing when cancelled,
  // so that a cancel is never taken for an empty password.
  virtual std::optional<std::string> InputSecret(std::string_view prompt, std::string_view title) = 0;
};

}  // namespace veil
