#include "platform/qt/qt_desktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include "platform/system_folders.h"

namespace veil::qt {

bool QtShell::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void QtShell::ShowInFolder(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  // The desktop's file manager selects the file where it offers to;
  // otherwise the folder opens.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage show = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    show << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    if (bus.call(show, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage) return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
}

bool QtShell::IsMarkedExecutable(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  return file.exists() && file.isExecutable();
}

bool QtShell::RemoveFile(const std::string& path) { return QFile::remove(QString::fromStdString(path)); }

std::optional<std::string> QtSettingsStore::Read(const std::string& application, const std::string& section,
                                                 const std::string& key) {
  const QString app = QString::fromStdString(application);
  QSettings store(QSettings::IniFormat, QSettings::UserScope, app, app);
  const QString address = QString::fromStdString(section + "/" + key);
  if (!store.contains(address)) return std::nullopt;
  return store.value(address).toString().toStdString();
}

std::string QtEnvironment::ProgramFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

namespace {

QString ExistingOrHome(QStandardPaths::StandardLocation location) {
  const QString folder = QStandardPaths::writableLocation(location);
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

}  // namespace

std::string QtEnvironment::DocumentsFolder() { return ExistingOrHome(QStandardPaths::DocumentsLocation).toStdString(); }

std::string QtEnvironment::PicturesFolder() { return ExistingOrHome(QStandardPaths::PicturesLocation).toStdString(); }

bool QtEnvironment::FolderIsWritable(const std::string& folder) {
  const QFileInfo info(QString::fromStdString(folder));
  return info.isDir() && info.isWritable();
}

bool QtEnvironment::IsSystemFolder(const std::string& folder) {
  const QString canonical = QFileInfo(QString::fromStdString(folder)).canonicalFilePath();
  const std::string path = canonical.isEmpty() ? folder : canonical.toStdString();
  return LiesInAnyFolder(path, LinuxSystemFolders(), '/', false);
}

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

void QtEnvironment::MoveWindow(double left, double top) { window_.move(scale_.ToPixelsX(left), scale_.ToPixelsY(top)); }

void QtPump::DispatchPending() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPump::ShowWaiting(bool waiting) {
  if (waiting)
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace veil::qt
