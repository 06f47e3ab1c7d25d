#pragma once

#include <string>

namespace veil {

// The desktop shell and the file system's whole-file operations.
class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the file with the program the desktop associates with it.
  virtual void OpenDocument(const std::string& path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // Replaces to with from in one step where the file system allows it.
  virtual bool ReplaceFile(const std::string& from, const std::string& to) = 0;
};

}  // namespace veil
