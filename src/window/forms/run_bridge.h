#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <utility>

#include "codec/run_result.h"
#include "platform/message_pump.h"

namespace veil::forms {

// The observer of a run on a worker thread, and the window's side of it:
// the run stores how far it is and asks whether to stop; the window reads
// the one and sets the other, each on its own thread, through atomics.
class RunBridge final : public codec::RunObserver {
 public:
  void Advanced(codec::RunStage stage, double fraction) override;
  bool CancelRequested() override { return cancel_.load(); }

  // The window's side.
  void RequestCancel() { cancel_.store(true); }
  codec::RunStage Stage() const { return stage_.load(); }
  double Fraction() const { return fraction_.load(); }

 private:
  std::atomic<codec::RunStage> stage_{codec::RunStage::kReading};
  std::atomic<double> fraction_{0};
  std::atomic<bool> cancel_{false};
};

// One part of a run made of several: its fractions are mapped onto
// [from, to] of the whole.
class PartOfRun final : public codec::RunObserver {
 public:
  PartOfRun(codec::RunObserver& whole, double from, double to) : whole_(whole), from_(from), to_(to) {}
  void Advanced(codec::RunStage stage, double fraction) override {
    whole_.Advanced(stage, from_ + (to_ - from_) * fraction);
  }
  bool CancelRequested() override { return whole_.CancelRequested(); }

 private:
  codec::RunObserver& whole_;
  double from_, to_;
};

// Runs work on a thread of its own while the window's messages go on; show
// is called on the window's thread between them, to draw the progress.
// work touches no window.
template <typename Work>
auto RunAside(MessagePump& pump, const std::function<void()>& show, Work&& work) {
  auto done = std::async(std::launch::async, std::forward<Work>(work));
  while (done.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready) {
    pump.ProcessPendingMessages();
    show();
  }
  return done.get();
}

}  // namespace veil::forms
