#include "app/qt/qt_main_window.h"

#include <cstdlib>

#include "app/qt/run_main_window.h"
#include "app/qt/ticking_check_box.h"
#include "codec/kernels/kernel_dispatch.h"
#include "codec/kernels/kernel_request.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTranslator>

// The program's resources (its icon), linked from a static library.
static void LoadResources() { Q_INIT_RESOURCE(veilwright); }

namespace veil::qt {
namespace {

QIcon ProgramIcon() {
  LoadResources();
  return QIcon(":/veilwright-64.png");
}

TwipScale ScreenScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::DragEnter:
    case QEvent::Drop: return true;
    default: return false;
  }
}

}  // namespace

QtMainWindow::QtMainWindow(QtWindowOverrides overrides)
    : scale_(ScreenScale()),
      own_boxes_(this),
      own_dialogs_(this),
      environment_(*this, scale_, [this] { EndProgram(); }),
      dialog_host_(this, scale_) {
  const ui::WindowSpec& window = ui::MainWindow();
  setWindowTitle(QString::fromStdString(window.caption));
  setWindowIcon(ProgramIcon());
  setCentralWidget(new QWidget(this));
  centralWidget()->installEventFilter(this);

  WindowPlatform platform{files_,
                          overrides.boxes ? *overrides.boxes : own_boxes_,
                          controls_,
                          pump_,
                          overrides.dialogs ? *overrides.dialogs : own_dialogs_,
                          overrides.shell ? *overrides.shell : own_shell_,
                          environment_};
  form_ = std::make_unique<ui::MainForm>(platform, overrides.settings ? *overrides.settings : own_settings_,
                                         &dialog_host_, overrides.form_costs);
  BuildControls(window);

  // The client area at design size, below the menu bar.
  resize(scale_.ToPixelsX(window.design_client_width),
         scale_.ToPixelsY(window.design_client_height) + menuBar()->sizeHint().height());
  layout()->activate();
}

QtMainWindow::~QtMainWindow() { files_.CloseAll(); }

void QtMainWindow::BuildControls(const ui::WindowSpec& window) {
  QtFormEvents events;
  events.clicked = [this](const std::string& name) { Dispatch(name); };
  events.committed = [this](const std::string& name) { form_->TextCommitted(name); };
  events.refused = [this](const std::string& name) { RefuseInput(name); };
  events.takes_drops = [this](const std::string& name) { return form_->TakesDrops(name); };
  events.menu_entry = [this, &window](const ui::ControlSpec& design) { return CreateMenuEntry(design, window); };
  BuildQtControls(window, centralWidget(), this, scale_, events, controls_);
}

QAction* QtMainWindow::CreateMenuEntry(const ui::ControlSpec& design, const ui::WindowSpec& window) {
  const QString caption = QString::fromStdString(design.caption);
  QAction* action = nullptr;
  if (!design.container.empty()) {
    action = menus_.at(design.container)->addAction(caption);
  } else {
    if (ui::HoldsMenuItems(window, design.name)) {
      QMenu* menu = menuBar()->addMenu(caption);
      menus_[design.name] = menu;
      action = menu->menuAction();
    } else {
      action = menuBar()->addAction(caption);
    }
  }
  action->setObjectName(QString::fromStdString(design.name));
  if (!design.shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(design.shortcut)));
  const std::string name = design.name;
  connect(action, &QAction::triggered, this, [this, name] { Dispatch(name); });
  return action;
}

void QtMainWindow::Start() {
  form_->Form_Load();
  loaded_ = true;
  show();
}

void QtMainWindow::OpenOnStart(const QString& picture) {
  const std::string path = QFile::encodeName(picture).toStdString();
  QMetaObject::invokeMethod(
      this, [this, path] { form_->PictureGiven(path); }, Qt::QueuedConnection);
}

void QtMainWindow::Dispatch(const std::string& name) { form_->Click(name); }

void QtMainWindow::RefuseInput(const std::string& name) {
  if (refusal_pending_) return;  // one message for one key or paste
  refusal_pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this, name] {
        refusal_pending_ = false;
        form_->InputRefused(name);
      },
      Qt::QueuedConnection);
}

void QtMainWindow::EndProgram() {
  ending_ = true;
  close();
  QCoreApplication::quit();
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget()) {
    if (event->type() == QEvent::Resize && loaded_) form_->Form_Resize();
    return false;
  }
  // While a command runs the window repaints and resizes, but takes no input.
  if (form_ && form_->Busy() && IsUserInput(event->type())) return true;

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
  if (!form_ || !form_->TakesDrops(name)) return false;
  return HandleFileDrop(event, [this, &name](const std::string& path) { form_->FileDropped(name, path); });
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  if (form_->CloseRequested())
    event->accept();
  else
    event->ignore();
}

void QtMainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && loaded_) form_->Form_Resize();
}

bool InstallChineseQtTexts(QApplication& app, QTranslator& translator) {
  // Qt's own buttons and dialogs speak the window's language, whatever the
  // system's locale: 确定, 取消, 是, 否.
  const bool loaded = translator.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (loaded) app.installTranslator(&translator);
  return loaded;
}

int RunMainWindow(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    std::fprintf(stderr,
                 "veilwright: no display to open the window on; use the command-line program instead "
                 "(veilwright-cli --help)\n");
    return 1;
  }
  if (const char* kernels = std::getenv(kKernelVariable)) RequestKernels(kernels);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Veilwright");
  QTranslator qt_texts;
  InstallChineseQtTexts(app, qt_texts);
  // The command buttons ask for a Chinese font by its Windows name.
  QFont::insertSubstitutions("宋体", {"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Micro Hei",
                                      "WenQuanYi Zen Hei", "Droid Sans Fallback"});
  QtMainWindow window;
  window.Start();
  // As a desktop entry's %f passes it: one picture, or none.
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) window.OpenOnStart(arguments.at(1));
  return QApplication::exec();
}

}  // namespace veil::qt
