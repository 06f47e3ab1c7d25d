#pragma once

#include <QDialog>

#include "app/qt/qt_form_builder.h"
#include "platform/twips.h"
#include "window/definition/dialog_host.h"

namespace veil::qt {

// A dialog built from its definition by the main window's machinery, its
// events handed to the logic behind it.
class QtFormDialog final : public QDialog, public ui::DialogWindow {
 public:
  QtFormDialog(QWidget* owner, TwipScale scale, const ui::WindowSpec& design, ui::DialogEvents& events);

  ControlSet& Controls() override { return controls_; }
  void Close() override { done(QDialog::Accepted); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape

 private:
  ui::DialogEvents& events_;
  QtControls controls_;
};

class QtDialogHost final : public ui::DialogHost {
 public:
  QtDialogHost(QWidget* owner, TwipScale scale) : owner_(owner), scale_(scale) {}
  void RunModal(const ui::WindowSpec& design, ui::DialogEvents& events) override;

 private:
  QWidget* owner_;
  TwipScale scale_;
};

}  // namespace veil::qt
