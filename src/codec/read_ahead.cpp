#include "codec/read_ahead.h"

#include "platform/file_failure.h"

namespace veil::codec {

ReadAhead::ReadAhead(std::vector<StepReads> steps, std::size_t largest_first, std::size_t largest_second)
    : steps_(std::move(steps)) {
  for (Slot& slot : slots_) {
    slot.first.resize(largest_first);
    slot.second.resize(largest_second);
  }
  if (!steps_.empty()) reader_ = std::thread([this] { ReadAll(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

void ReadAhead::ReadAll() {
  for (std::size_t index = 0; index < steps_.size(); ++index) {
    {
      // A slot is free once the step that used it, kSlots steps back, has
      // been handed over and the one after it taken.
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || index + 1 < taken_ + kSlots; });
      if (stopping_) return;
    }
    Slot& slot = slots_[index % kSlots];
    slot.failure = nullptr;
    try {
      const StepReads& reads = steps_[index];
      if (reads.first.file) ReadExactly(*reads.first.file, reads.first.offset, {slot.first.data(), reads.first.size});
      if (reads.second.file)
        ReadExactly(*reads.second.file, reads.second.offset, {slot.second.data(), reads.second.size});
    } catch (...) {
      slot.failure = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      read_ = index + 1;
    }
    changed_.notify_all();
    if (slot.failure) return;  // nothing after a failure is wanted
  }
}

ReadAhead::Step ReadAhead::Take(std::size_t index) {
  std::unique_lock lock(mutex_);
  taken_ = index + 1;
  changed_.notify_all();
  changed_.wait(lock, [&] { return read_ > index; });
  Slot& slot = slots_[index % kSlots];
  if (slot.failure) std::rethrow_exception(slot.failure);
  const StepReads& reads = steps_[index];
  return {{slot.first.data(), reads.first.size}, {slot.second.data(), reads.second.size}};
}

}  // namespace veil::codec
