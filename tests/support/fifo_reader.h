#pragma once

#include <future>
#include <string>

#include "support/test_files.h"

namespace veil::test {

// Reads everything that arrives through a FIFO, on a thread of its own,
// until its writer closes it. A run that fails before it opens the FIFO
// leaves no writer to close it: Take() then stops the reader after taking
// what has arrived, instead of waiting for a writer that never comes.
class FifoReader {
 public:
  explicit FifoReader(const std::string& path);
  ~FifoReader();
  FifoReader(const FifoReader&) = delete;
  FifoReader& operator=(const FifoReader&) = delete;

  // Everything read; call once the writer is done (or never started).
  Bytes Take();

 private:
  int stop_[2] = {-1, -1};  // a pipe: a byte on it ends the reading
  std::future<Bytes> bytes_;
};

}  // namespace veil::test
