#include "codec/plain/read_ahead.h"

#include <algorithm>

#include "files/file_failure.h"

namespace veil::codec {

ReadAhead::ReadAhead(std::vector<StepReads> steps, Prepare prepare)
    : steps_(std::move(steps)), prepare_(std::move(prepare)) {
  std::size_t largest_first = 0, largest_second = 0;
  for (const StepReads& step : steps_) {
    largest_first = std::max(largest_first, step.first.size);
    largest_second = std::max(largest_second, step.second.size);
  }
  for (std::size_t i = 0; i < std::min(kSlots, steps_.size()); ++i) {
    slots_[i].first = std::make_unique_for_overwrite<std::uint8_t[]>(largest_first);
    slots_[i].second = std::make_unique_for_overwrite<std::uint8_t[]>(largest_second);
  }
  if (steps_.size() > 1) reader_ = std::thread([this] { ReadAll(); });
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
    Read(index);
    {
      std::lock_guard lock(mutex_);
      read_ = index + 1;
    }
    changed_.notify_all();
    if (slots_[index % kSlots].failure) return;  // nothing after a failure is wanted
  }
}

void ReadAhead::Read(std::size_t index) {
  Slot& slot = slots_[index % kSlots];
  slot.failure = nullptr;
  try {
    const StepReads& reads = steps_[index];
    if (reads.first.file) ReadExactly(*reads.first.file, reads.first.offset, {slot.first.get(), reads.first.size});
    if (reads.second.file) ReadExactly(*reads.second.file, reads.second.offset, {slot.second.get(), reads.second.size});
    if (prepare_) prepare_(StepAt(index));
  } catch (...) {
    slot.failure = std::current_exception();
  }
}

ReadAhead::Step ReadAhead::Take(std::size_t index) {
  if (!reader_.joinable() && read_ <= index) {
    Read(index);
    read_ = index + 1;
  }
  std::unique_lock lock(mutex_);
  taken_ = index + 1;
  changed_.notify_all();
  changed_.wait(lock, [&] { return read_ > index; });
  if (slots_[index % kSlots].failure) std::rethrow_exception(slots_[index % kSlots].failure);
  return StepAt(index);
}

ReadAhead::Step ReadAhead::StepAt(std::size_t index) {
  Slot& slot = slots_[index % kSlots];
  const StepReads& reads = steps_[index];
  return {{slot.first.get(), reads.first.size}, {slot.second.get(), reads.second.size}, index};
}

}  // namespace veil::codec
