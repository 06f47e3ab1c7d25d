#pragma once

#include <cstdint>
#include <string>

#include "platform/file_failure.h"

namespace veil {

// Another program holds the file.
class FileInUse : public FileFailure {
 public:
  explicit FileInUse(const std::string& path)
      : FileFailure(path + " is in use by another program; try again when it is done") {}
};

// An exclusive advisory lock on a file, held for the life of the object, so
// that two programs (two command-line runs, or the window and one) never
// interleave their writes to the same picture.
class FileLock {
 public:
  // Throws FileInUse when another holder has the file, FileFailure when it
  // cannot be opened.
  static FileLock Exclusive(const std::string& path);

  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&&) = delete;
  ~FileLock();

 private:
  // A descriptor, or a handle on Windows.
  explicit FileLock(std::intptr_t fd) : fd_(fd) {}
  std::intptr_t fd_;
};

}  // namespace veil
