#include "platform/qt/qt_message_boxes.h"

#include <QInputDialog>
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
  QInputDialog dialog(owner_);
  dialog.setWindowTitle(ToQString(title.empty() ? kApplicationTitle : title));
  dialog.setLabelText(ToQString(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

}  // namespace veil::qt
