#include "codec/progress/run_progress.h"

#include <algorithm>
#include <utility>

namespace veil::codec {
namespace {

// Often enough for a bar to move smoothly, rarely enough to cost nothing.
constexpr auto kTellEvery = std::chrono::milliseconds(40);
constexpr auto kAskEvery = std::chrono::milliseconds(10);
constexpr auto kPollEvery = std::chrono::milliseconds(5);

}  // namespace

RunProgress::RunProgress(RunObserver& observer, std::vector<RunStage> stages)
    : observer_(observer), stages_(std::move(stages)) {}

void RunProgress::Weigh(RunStage stage, double weight) {
  weights_[static_cast<std::size_t>(stage)] = std::max(0.0, weight);
}

void RunProgress::Enter(RunStage stage) {
  std::size_t at = next_;
  while (at < stages_.size() && stages_[at] != stage) ++at;
  // A stage passed already (one a step shared with other runs enters) or
  // never planned: the run stays where it is.
  if (at == stages_.size()) {
    Ask();
    return;
  }
  const double reached = start_ + span_ * local_;
  double left = 0;
  for (std::size_t i = at; i < stages_.size(); ++i) left += Weight(stages_[i]);
  stage_ = stage;
  start_ = reached;
  span_ = left > 0 ? (1 - reached) * Weight(stage) / left : 0;
  local_ = 0;
  next_ = std::min(stages_.size(), at + 1);
  Tell(start_);
  Ask();
}

void RunProgress::At(double local) {
  local_ = std::clamp(std::max(local, local_), 0.0, 1.0);
  const auto now = Clock::now();
  if (now - told_at_ >= kTellEvery) Tell(start_ + span_ * local_);
  if (now - asked_at_ >= kAskEvery) Ask();
}

void RunProgress::Finish() {
  local_ = 1;
  start_ = 1;
  span_ = 0;
  Tell(1);
}

void RunProgress::Tell(double fraction) {
  fraction = std::clamp(fraction, told_ < 0 ? 0.0 : told_, 1.0);
  told_at_ = Clock::now();
  told_ = fraction;
  observer_.Advanced(stage_, fraction);
}

void RunProgress::Ask() {
  asked_at_ = Clock::now();
  if (observer_.CancelRequested()) throw RunCancelled{};
}

WorkGauge::WorkGauge(RunProgress* progress, std::uint64_t total, std::uint64_t before)
    : progress_(progress), total_(std::max<std::uint64_t>(1, total)), owner_(std::this_thread::get_id()), done_(before) {}

bool WorkGauge::Add(std::uint64_t units) {
  done_.fetch_add(units, std::memory_order_relaxed);
  if (progress_ && std::this_thread::get_id() == owner_ && !Stopped()) Poll();
  return !Stopped();
}

void WorkGauge::Poll() {
  try {
    progress_->At(static_cast<double>(done_.load(std::memory_order_relaxed)) / static_cast<double>(total_));
  } catch (const RunCancelled&) {
    stopped_.store(true, std::memory_order_relaxed);
  }
}

void WorkGauge::ThrowIfStopped() const {
  if (Stopped()) throw RunCancelled{};
}

void WorkGauge::Share(unsigned threads, const std::function<void(unsigned)>& work) {
  threads = std::max(1u, threads);
  std::atomic<unsigned> running{threads - 1};
  std::vector<std::thread> workers;
  for (unsigned t = 1; t < threads; ++t)
    workers.emplace_back([&, t] {
      work(t);
      running.fetch_sub(1, std::memory_order_release);
    });
  work(0);
  while (running.load(std::memory_order_acquire) != 0) {
    if (progress_ && !Stopped()) Poll();
    std::this_thread::sleep_for(kPollEvery);
  }
  for (auto& worker : workers) worker.join();
  ThrowIfStopped();
}

}  // namespace veil::codec
