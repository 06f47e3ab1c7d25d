#include "platform/qt/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>

namespace veil::qt {
namespace {

// A folder that is gone by now: the home folder instead.
QString StartingFolder(const std::string& requested) {
  const QString folder = QString::fromStdString(requested);
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

}  // namespace

std::optional<std::string> QtFileDialogs::OpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(owner_, QString::fromStdString(request.title), StartingFolder(request.initial_dir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromStdString(request.filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

std::optional<std::string> QtFileDialogs::BrowseForFolder(const std::string& title, const std::string& initial_folder) {
  QFileDialog dialog(owner_, QString::fromStdString(title), StartingFolder(initial_folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString folder = dialog.selectedFiles().first();
  if (!QFileInfo(folder).isDir()) return std::nullopt;
  return QDir::toNativeSeparators(QDir::cleanPath(folder)).toStdString();
}

}  // namespace veil::qt
