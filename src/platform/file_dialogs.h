#pragma once

#include <optional>
#include <string>

namespace veil {

struct OpenFileRequest {
  std::string title;
  std::string filter;       // one pattern, shown as its own name: "*.bmp", "*.*"
  std::string initial_dir;  // as the caller names it; platforms map "c:\" to their root
};

// The system's standard file and folder dialogs, modal.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen full path, or nothing when cancelled or failed.
  virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;
  // The chosen folder's path (without a trailing separator unless a root),
  // or nothing when cancelled or when the choice is no file-system folder.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title) = 0;
};

}  // namespace veil
