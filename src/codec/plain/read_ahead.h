#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "files/raw_file.h"

namespace veil::codec {

// What one step of a run reads: up to two stretches of up to two files. A
// read without a file only sets aside a buffer of its size.
struct StepReads {
  struct Read {
    RawFile* file = nullptr;
    std::uint64_t offset = 0;
    std::size_t size = 0;
  };
  Read first, second;
};

// Reads the steps of a run ahead on a second thread, a few steps in front,
// so that reading the next stretch of a file overlaps placing, gathering and
// writing this one. Memory stays fixed: a few buffers of the largest step.
class ReadAhead {
 public:
  // The buffers that one step's reads landed in, and which step it is.
  struct Step {
    std::span<std::uint8_t> first, second;
    std::size_t index = 0;
  };

  // Work done on the reading thread on a step's buffers once they are read,
  // before the step is handed over.
  using Prepare = std::function<void(const Step&)>;

  // A run of one step reads it when it is taken, without a second thread.
  explicit ReadAhead(std::vector<StepReads> steps, Prepare prepare = {});
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Waits for step index (taken in order from 0) and hands its buffers over
  // until the next call; rethrows the failure of its reads.
  Step Take(std::size_t index);

 private:
  static constexpr std::size_t kSlots = 3;
  // Left uninitialised: a step's reads (or its preparation) fill them, and
  // zeroing them would only fault their pages in on the run's own thread.
  struct Slot {
    std::unique_ptr<std::uint8_t[]> first, second;
    std::exception_ptr failure;
  };
  void ReadAll();
  void Read(std::size_t index);

  Step StepAt(std::size_t index);

  std::vector<StepReads> steps_;
  Prepare prepare_;
  Slot slots_[kSlots];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t read_ = 0;   // steps whose reads are done
  std::size_t taken_ = 0;  // steps handed over; the slot of the one before is free again
  bool stopping_ = false;
  std::thread reader_;
};

}  // namespace veil::codec
