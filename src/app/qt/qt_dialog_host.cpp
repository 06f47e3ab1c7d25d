#include "app/qt/qt_dialog_host.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace veil::qt {

QtFormDialog::QtFormDialog(QWidget* owner, TwipScale scale, const ui::WindowSpec& design, ui::DialogEvents& events)
    : QDialog(owner), events_(events) {
  setWindowTitle(QString::fromStdString(design.caption));
  setModal(true);
  QtFormEvents handlers;
  handlers.clicked = [this](const std::string& name) { events_.Click(name); };
  handlers.edited = [this](const std::string& name) { events_.TextEdited(name); };
  handlers.committed = [this](const std::string& name) { events_.TextCommitted(name); };
  handlers.takes_drops = [this](const std::string& name) { return events_.TakesDrops(name); };
  BuildQtControls(design, this, this, scale, handlers, controls_);
  // Enter presses the designed default button only, never a browse button.
  for (auto* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(button->objectName().toStdString() == design.default_button);
  }
  setFixedSize(scale.ToPixelsX(design.design_client_width), scale.ToPixelsY(design.design_client_height));
}

bool QtFormDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a focused button presses it, as Space does.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      button->click();
      return true;
    }
  }
  const std::string name = watched->objectName().toStdString();
  if (!events_.TakesDrops(name)) return false;
  return HandleFileDrop(event, [this, &name](const std::string& path) { events_.FileDropped(name, path); });
}

void QtFormDialog::closeEvent(QCloseEvent* event) {
  if (!events_.CloseRequested()) {
    event->ignore();
    return;
  }
  done(QDialog::Rejected);
  event->accept();
}

void QtFormDialog::reject() {
  if (events_.CloseRequested()) QDialog::reject();
}

void QtDialogHost::RunModal(const ui::WindowSpec& design, ui::DialogEvents& events) {
  QtFormDialog dialog(owner_, scale_, design, events);
  events.Opened(dialog);
  dialog.exec();
}

}  // namespace veil::qt
