#pragma once

#include <stdexcept>
#include <string>

namespace veil {

// Any failure of the file layer: a file that cannot be opened, read, written
// or that ends before the bytes asked for. The message is one English line;
// where the layer knows them, the path and the cause are kept apart too.
class FileFailure : public std::runtime_error {
 public:
  explicit FileFailure(const std::string& message) : std::runtime_error(message), cause_(message) {}
  // "ACTION PATH: CAUSE", for instance "cannot write /tmp/x.bmp: No space left on device".
  FileFailure(const std::string& action, std::string path, std::string cause)
      : std::runtime_error(action + " " + path + ": " + cause), path_(std::move(path)), cause_(std::move(cause)) {}

  // A message of its own wording, with its path and cause.
  struct Worded {
    std::string message;
  };
  FileFailure(Worded worded, std::string path, std::string cause)
      : std::runtime_error(worded.message), path_(std::move(path)), cause_(std::move(cause)) {}

  const std::string& path() const { return path_; }
  const std::string& cause() const { return cause_; }

 private:
  std::string path_;
  std::string cause_;
};

// A read that ran past the end of the file.
class EndOfFile : public FileFailure {
 public:
  using FileFailure::FileFailure;
};

}  // namespace veil
