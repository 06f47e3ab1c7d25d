#include "platform/qt/qt_desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QUrl>
#include <filesystem>

namespace veil::qt {

void QtShell::OpenDocument(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShell::RemoveFile(const std::string& path) { return QFile::remove(QString::fromStdString(path)); }

bool QtShell::MoveOnto(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);  // atomic, replacing any file of that name
  return !error;
}

std::optional<std::string> QtSettingsStore::Read(const std::string& application, const std::string& section,
                                                 const std::string& key) {
  const QString app = QString::fromStdString(application);
  QSettings store(QSettings::IniFormat, QSettings::UserScope, app, app);
  const QString address = QString::fromStdString(section + "/" + key);
  if (!store.contains(address)) return std::nullopt;
  return store.value(address).toString().toStdString();
}

std::string QtEnvironment::ProgramFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

TwipSize QtEnvironment::ScreenSize() {
  const QScreen* screen = window_.screen();
  const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
  return {scale_.ToTwipsX(size.width()), scale_.ToTwipsY(size.height())};
}

TwipSize QtEnvironment::WindowSize() {
  const QSize size = window_.frameGeometry().size();
  return {scale_.ToTwipsX(size.width()), scale_.ToTwipsY(size.height())};
}

TwipSize QtEnvironment::ClientSize() {
  if (window_.isMinimized()) return {0, 0};
  const QWidget* client = window_.centralWidget();
  return {scale_.ToTwipsX(client->width()), scale_.ToTwipsY(client->height())};
}

void QtEnvironment::MoveWindow(double left, double top) {
  window_.move(scale_.ToPixelsX(left), scale_.ToPixelsY(top));
}

void QtPump::DispatchPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace veil::qt
