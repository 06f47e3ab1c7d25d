#pragma once

#include <QWidget>

#include "platform/file_dialogs.h"

namespace veil::qt {

// Qt's own (not the desktop's native) dialogs: the same on every desktop and
// drivable in tests.
class QtFileDialogs final : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* owner) : owner_(owner) {}
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) override;

 private:
  QWidget* owner_;
};

}  // namespace veil::qt
