#pragma once

#include <optional>
#include <string>

namespace veil {

struct OpenFileRequest {
  std::string title;
  std::string filter;       // one pattern, shown as its own name: "*.bmp", "*.*"
  std::string initial_dir;  // the folder the dialog starts in
};

// The system's standard file and folder dialogs, modal.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen full path, or nothing when cancelled or failed.
  virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;
  // The chosen folder's path (without a trailing separator unless a root),
  // or nothing when cancelled or when the choice is no file-system folder.
  // The browser starts at initial_folder.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) = 0;
};

}  // namespace veil
