#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

namespace veil::test {

// Types text into a widget as a person would: ASCII as key presses, other
// characters as an input method commits them.
void TypeText(QWidget* widget, const QString& text);

// Answers the modal dialogs and message boxes that the window opens, one
// scripted step per dialog, in order. A dialog of the wrong kind or text is
// recorded as a failure and closed, so a test never hangs on it.
class ModalDriver : public QObject {
 public:
  ModalDriver();

  void AnswerFile(const QString& path);
  void AnswerFolder(const QString& path);
  void AnswerBox(const QString& text, int button);  // QMessageBox::StandardButton
  // Keeps the texts of the box's buttons in seen, then presses button.
  void AnswerBoxSeeingButtons(const QString& text, int button, QStringList* seen);
  // Presses Enter on the box: its default button answers.
  void AnswerBoxWithEnter(const QString& text);
  // Types text into the input box, key by key, and presses OK. The box must
  // show what is typed (the version 1 password gate's box).
  void AnswerInput(const QString& text);
  // The same for a box that masks what is typed (a sealed picture's).
  void AnswerSecret(const QString& text);
  // Presses Cancel in a masked input box.
  void CancelSecret();
  // Cancels a file or folder dialog.
  void CancelDialog();
  // Any other dialog: step works it (and must see that it ends).
  void Handle(std::function<void(QWidget*)> step) { steps_.push_back(std::move(step)); }

  bool Done() const { return steps_.empty(); }
  const QStringList& Failures() const { return failures_; }
  // The folder each file or folder dialog answered so far started in.
  const QStringList& DialogFolders() const { return dialog_folders_; }

 private:
  void Poll();
  void AnswerTextBox(const QString& text, bool masked, bool accept);
  std::deque<std::function<void(QWidget*)>> steps_;
  QStringList failures_;
  QStringList dialog_folders_;
  QTimer timer_;
};

}  // namespace veil::test
