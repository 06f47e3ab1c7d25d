#pragma once

#include <QWidget>

#include "platform/message_boxes.h"

namespace veil::qt {

class QtMessageBoxes final : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* owner) : owner_(owner) {}
  int Show(std::string_view text, std::string_view title, int style) override;
  std::string Input(std::string_view prompt, std::string_view title) override;
  std::optional<std::string> InputSecret(std::string_view prompt, std::string_view title) override;

 private:
  QWidget* owner_;
};

}  // namespace veil::qt
