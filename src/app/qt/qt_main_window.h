#pragma once

#include <QApplication>
#include <QMainWindow>
#include <QTranslator>
#include <map>
#include <memory>
#include <vector>

#include "app/qt/qt_dialog_host.h"
#include "app/qt/qt_form_builder.h"
#include "files/numbered_files.h"
#include "platform/owned_controls.h"
#include "platform/qt/qt_control.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_message_boxes.h"
#include "window/definition/main_form.h"

namespace veil::qt {

// Services a test or a benchmark puts in place of the window's own dialogs.
struct QtWindowOverrides {
  MessageBoxes* boxes = nullptr;
  FileDialogs* dialogs = nullptr;
  Shell* shell = nullptr;
  SettingsStore* settings = nullptr;
  // What the forms' key derivations cost: the fixed costs unless a test asks less.
  forms::FormCosts form_costs{};
};

// The main window, built from the window's definition, with its logic in
// ui::MainForm: this class only translates Qt's events into its calls.
// Loads Qt's own texts in simplified Chinese into translator and installs it;
// false when the system has no such translation.
bool InstallChineseQtTexts(QApplication& app, QTranslator& translator);

class QtMainWindow final : public QMainWindow {
 public:
  explicit QtMainWindow(QtWindowOverrides overrides = {});
  ~QtMainWindow() override;

  // Runs the load event, then shows the window.
  void Start();
  // Opens the picture the program was started with, once the window shows.
  void OpenOnStart(const QString& picture);
  ui::MainForm& form() { return *form_; }
  QtControls& controls() { return controls_; }
  TwipScale scale() const { return scale_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls(const ui::WindowSpec& window);
  QAction* CreateMenuEntry(const ui::ControlSpec& design, const ui::WindowSpec& window);
  void Dispatch(const std::string& name);
  void EndProgram();
  // Tells the window logic, once the key or paste that caused it is done,
  // that a password box refused input.
  void RefuseInput(const std::string& name);

  TwipScale scale_;
  QtControls controls_;
  std::map<std::string, class QMenu*> menus_;
  NumberedFiles files_;
  QtMessageBoxes own_boxes_;
  QtFileDialogs own_dialogs_;
  QtShell own_shell_;
  QtSettingsStore own_settings_;
  QtPump pump_;
  QtEnvironment environment_;
  QtDialogHost dialog_host_;
  std::unique_ptr<ui::MainForm> form_;
  bool loaded_ = false;
  bool ending_ = false;
  bool refusal_pending_ = false;
};

}  // namespace veil::qt
