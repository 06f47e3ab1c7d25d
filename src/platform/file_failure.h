#pragma once

#include <stdexcept>
#include <string>

namespace veil {

// Any failure of the file layer: a file that cannot be opened, read, written
// or that ends before the bytes asked for. The message is one English line.
class FileFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A read that ran past the end of the file.
class EndOfFile : public FileFailure {
 public:
  using FileFailure::FileFailure;
};

}  // namespace veil
