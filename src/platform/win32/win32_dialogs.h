#pragma once

#include <windows.h>

#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"

namespace veil::win32 {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(HWND& owner) : owner_(owner) {}
  int Show(std::string_view text, std::string_view title, int style) override;
  // A one-line input box: a small modal dialog built in memory.
  std::string Input(std::string_view prompt, std::string_view title) override;
  // The same box with ES_PASSWORD.
  std::optional<std::string> InputSecret(std::string_view prompt, std::string_view title) override;

 private:
  HWND& owner_;
};

// The common dialogs, filled as the original program fills them.
class Win32FileDialogs final : public FileDialogs {
 public:
  explicit Win32FileDialogs(HWND& owner) : owner_(owner) {}
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, const std::string& initial_folder) override;

 private:
  HWND& owner_;
};

// Control identifiers of the input box, for whoever drives it.
inline constexpr int kInputBoxEdit = 100;
inline constexpr int kInputBoxPrompt = 101;

}  // namespace veil::win32
