#pragma once

#include <string>

namespace veil {

// The desktop shell and the file system's whole-file operations.
class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the file with the program the desktop associates with it.
  virtual void OpenDocument(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Moves from onto to, replacing it, in one step where the file system allows.
  virtual bool MoveOnto(const std::string& from, const std::string& to) = 0;
};

}  // namespace veil
