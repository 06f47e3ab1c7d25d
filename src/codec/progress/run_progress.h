#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "codec/run_result.h"

namespace veil::codec {

// Thrown inside a run when its observer asked it to stop; the run's entry
// point turns it into kCancelled.
struct RunCancelled {};

// One run's progress, told to its observer as fractions of the whole run.
// The run names its stages in their order; each takes a share of what is
// left in proportion to its weight (an estimate of its time, in any unit
// common to the run), and a stage not yet entered may be weighed again
// once more is known (the cover's size, the file's). The fraction never
// goes back, whatever the estimates. Every member but the constructor is
// for the run's own thread only.
class RunProgress {
 public:
  using Clock = std::chrono::steady_clock;

  RunProgress(RunObserver& observer, std::vector<RunStage> stages);

  void Weigh(RunStage stage, double weight);
  // Starts a stage (skipping any planned before it), tells the observer
  // and asks whether to stop: throws RunCancelled. A stage already passed,
  // or not planned, only asks.
  void Enter(RunStage stage);
  // How far the current stage is, 0 to 1: told to the observer at most
  // every few milliseconds, and the observer asked as often whether to
  // stop (throws RunCancelled).
  void At(double local);
  // At for a part of the stage: local of the part that goes from `from` to `to`.
  void Within(double from, double to, double local) { At(from + (to - from) * local); }
  // Asks whether to stop, as At does, without a new figure.
  void Check() { At(local_); }
  // The run's work is done: 1.
  void Finish();

  RunStage stage() const { return stage_; }
  RunObserver& observer() { return observer_; }

 private:
  double Weight(RunStage stage) const { return weights_[static_cast<std::size_t>(stage)]; }
  void Tell(double fraction);
  void Ask();

  RunObserver& observer_;
  std::vector<RunStage> stages_;
  std::array<double, 6> weights_{1, 1, 1, 1, 1, 1};
  std::size_t next_ = 0;  // in stages_: the first not yet entered
  RunStage stage_ = RunStage::kReading;
  double start_ = 0, span_ = 0, local_ = 0, told_ = -1;
  Clock::time_point told_at_{}, asked_at_{};
};

// A stage's work shared among threads: any of them counts the units it
// has done and sees whether the run is to stop; the run's own thread (the
// one that made the gauge) also tells the progress and asks the observer.
// Without a progress it only counts.
class WorkGauge {
 public:
  // total: the units of the whole stage; before: those done before this work.
  WorkGauge(RunProgress* progress, std::uint64_t total, std::uint64_t before = 0);
  WorkGauge(const WorkGauge&) = delete;
  WorkGauge& operator=(const WorkGauge&) = delete;
  // Any thread: units more are done. False once the run is to stop.
  bool Add(std::uint64_t units = 1);
  bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }
  // Throws RunCancelled when the run was stopped.
  void ThrowIfStopped() const;

  // Runs work(t) for t in [0, threads), t = 0 on this thread, the others on
  // threads of their own; while they finish, this one keeps telling and
  // asking. Throws RunCancelled when the run was stopped.
  void Share(unsigned threads, const std::function<void(unsigned)>& work);

 private:
  void Poll();

  RunProgress* progress_;
  std::uint64_t total_;
  std::thread::id owner_;
  std::atomic<std::uint64_t> done_{0};
  std::atomic<bool> stopped_{false};
};

}  // namespace veil::codec
