#include "platform/qt/qt_message_boxes.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace veil::qt {
namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

int ToAnswer(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes: return kAnswerYes;
    case QMessageBox::No: return kAnswerNo;
    default: return kAnswerOk;
  }
}

std::optional<std::string> AskText(QWidget* owner, std::string_view prompt, std::string_view title,
                                   QLineEdit::EchoMode echo) {
  QInputDialog dialog(owner);
  dialog.setWindowTitle(ToQString(title.empty() ? kApplicationTitle : title));
  dialog.setLabelText(ToQString(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextEchoMode(echo);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

}  // namespace

int QtMessageBoxes::Show(std::string_view text, std::string_view title, int style) {
  QMessageBox box(owner_);
  box.setWindowTitle(ToQString(title.empty() ? kApplicationTitle : title));
  box.setText(ToQString(text));
  switch (style) {
    case kStyleStop: box.setIcon(QMessageBox::Critical); break;
    case kStyleExclamation: box.setIcon(QMessageBox::Warning); break;
    case kStyleInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(IsQuestion(style) ? QMessageBox::Question : QMessageBox::Information); break;
  }
  if (IsQuestion(style)) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.setDefaultButton(DefaultsToNo(style) ? QMessageBox::No : QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.exec();
  return ToAnswer(box.standardButton(box.clickedButton()));
}

std::string QtMessageBoxes::Input(std::string_view prompt, std::string_view title) {
  return AskText(owner_, prompt, title, QLineEdit::Normal).value_or(std::string{});
}

std::optional<std::string> QtMessageBoxes::InputSecret(std::string_view prompt, std::string_view title) {
  return AskText(owner_, prompt, title, QLineEdit::Password);
}

}  // namespace veil::qt
