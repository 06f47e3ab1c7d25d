#pragma once

#include <string>

namespace veil {

// The desktop shell and the file system's whole-file operations.
class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the file with the program the desktop associates with it; false
  // when the desktop has none, or could not start it.
  virtual bool OpenDocument(const std::string& path) = 0;
  // Opens the folder that holds the file, with the file selected where the
  // desktop can; never runs the file.
  virtual void ShowInFolder(const std::string& path) = 0;
  // The file system marks the file as a program (an execute bit).
  virtual bool IsMarkedExecutable(const std::string& path) = 0;
  // False when the file could not be deleted.
  virtual bool RemoveFile(const std::string& path) = 0;
};

}  // namespace veil
