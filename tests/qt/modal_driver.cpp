#include "modal_driver.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace veil::test {
namespace {

// Types the full path into the dialog's name box, as a user may: selecting
// through the view races with the dialog's background listing of the folder.
void TypeFileName(QFileDialog* dialog, const QString& path) {
  auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
  if (name) name->setText(path);
  QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

}  // namespace

void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
      QTest::keyClicks(widget, QString(c));
    } else {
      QInputMethodEvent commit;
      commit.setCommitString(QString(c));
      QApplication::sendEvent(widget, &commit);
    }
  }
}

ModalDriver::ModalDriver() {
  connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start(10);
}

void ModalDriver::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  // A dialog that was answered may linger for a moment; the next one is new.
  if (!modal || modal->property("veilwright_answered").toBool()) return;
  modal->setProperty("veilwright_answered", true);
  if (steps_.empty()) {
    failures_ << "unexpected dialog: " + modal->windowTitle();
    QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    return;
  }
  auto step = std::move(steps_.front());
  steps_.pop_front();
  step(modal);
}

void ModalDriver::AnswerFile(const QString& path) {
  steps_.push_back([this, path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      failures_ << "expected a file dialog, got " + modal->windowTitle();
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    dialog_folders_ << dialog->directory().absolutePath();
    TypeFileName(dialog, path);
  });
}

void ModalDriver::AnswerFolder(const QString& path) {
  steps_.push_back([this, path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) {
      failures_ << "expected a folder dialog, got " + modal->windowTitle();
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    dialog_folders_ << dialog->directory().absolutePath();
    TypeFileName(dialog, path);
  });
}

void ModalDriver::AnswerBox(const QString& text, int button) {
  steps_.push_back([this, text, button](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box || box->text() != text) {
      failures_ << "expected the box \"" + text + "\", got \"" + (box ? box->text() : modal->windowTitle()) + "\"";
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    QAbstractButton* target = box->button(static_cast<QMessageBox::StandardButton>(button));
    if (!target) {
      failures_ << "the box \"" + text + "\" has no such button";
      return;
    }
    QMetaObject::invokeMethod(target, "click", Qt::QueuedConnection);
  });
}

void ModalDriver::AnswerBoxSeeingButtons(const QString& text, int button, QStringList* seen) {
  steps_.push_back([this, text, button, seen](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal))
      for (QAbstractButton* each : box->buttons()) *seen << each->text();
  });
  auto answer = std::move(steps_.back());
  steps_.pop_back();
  AnswerBox(text, button);
  auto click = std::move(steps_.back());
  steps_.back() = [answer, click](QWidget* modal) {
    answer(modal);
    click(modal);
  };
}

void ModalDriver::AnswerBoxWithEnter(const QString& text) {
  steps_.push_back([this, text](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box || box->text() != text) {
      failures_ << "expected the box \"" + text + "\", got \"" + (box ? box->text() : modal->windowTitle()) + "\"";
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    QTimer::singleShot(0, box, [box] { QTest::keyClick(box, Qt::Key_Return); });
  });
}

void ModalDriver::AnswerInput(const QString& text) { AnswerTextBox(text, false, true); }

void ModalDriver::AnswerSecret(const QString& text) { AnswerTextBox(text, true, true); }

void ModalDriver::CancelSecret() { AnswerTextBox({}, true, false); }

void ModalDriver::AnswerTextBox(const QString& text, bool masked, bool accept) {
  steps_.push_back([this, text, masked, accept](QWidget* modal) {
    auto* dialog = qobject_cast<QInputDialog*>(modal);
    auto* edit = dialog ? dialog->findChild<QLineEdit*>() : nullptr;
    if (!edit) {
      failures_ << "expected an input box, got " + modal->windowTitle();
      QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
      return;
    }
    const bool shown_masked = edit->echoMode() != QLineEdit::Normal;
    if (shown_masked != masked)
      failures_ << QString("the input box ") +
                       (masked ? "shows the password it should mask" : "masks what it should show");
    QTimer::singleShot(0, dialog, [dialog, edit, text, accept] {
      if (!accept) {
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QAbstractButton* cancel = buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
        if (cancel)
          QTest::mouseClick(cancel, Qt::LeftButton);
        else
          dialog->reject();
        return;
      }
      TypeText(edit, text);
      QTest::keyClick(edit, Qt::Key_Return);
    });
  });
}

void ModalDriver::CancelDialog() {
  steps_.push_back([this](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal))
      dialog_folders_ << dialog->directory().absolutePath();
    else
      failures_ << "expected a file dialog, got " + modal->windowTitle();
    QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
  });
}

}  // namespace veil::test
