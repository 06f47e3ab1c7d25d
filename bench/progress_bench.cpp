// Watches a stealth run's progress on one picture:
//   veilwright_progress_bench hide|open PICTURE PAYLOAD|- PASSWORD [CANCEL_AFTER_SECONDS]
// Prints each stage as it begins, the longest gap between two reports of
// progress, and, given CANCEL_AFTER_SECONDS, the time from the moment the
// observer's answer turns to "stop" to the run's return. A hide writes to PICTURE.progress-bench
// through OutputFile, committed only when the run completes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "codec/stealth/stealth_runs.h"
#include "files/output_file.h"
#include "files/raw_file.h"

using namespace veil;
using Clock = std::chrono::steady_clock;

namespace {

const char* StageName(codec::RunStage stage) {
  static const char* const kNames[] = {"reading", "key derivation", "costs", "code", "writing", "reading back"};
  return kNames[static_cast<int>(stage)];
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class Watcher final : public codec::RunObserver {
 public:
  explicit Watcher(std::optional<double> cancel_after) : cancel_after_(cancel_after) {}

  void Advanced(codec::RunStage stage, double fraction) override {
    const auto now = Clock::now();
    if (reports_ > 0 && now - last_ > longest_) {
      longest_ = now - last_;
      longest_at_ = fraction;
      longest_stage_ = stage;
    }
    if (reports_ == 0 || stage != stage_)
      std::printf("%7.3f s  %-15s %.3f\n", Seconds(now - start_), StageName(stage), fraction);
    stage_ = stage;
    last_ = now;
    ++reports_;
  }
  bool CancelRequested() override {
    if (!cancel_after_ || Seconds(Clock::now() - start_) < *cancel_after_) return false;
    if (!asked_) asked_ = start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*cancel_after_));
    return true;
  }

  void Report(const codec::RunResult& result) {
    const auto end = Clock::now();
    std::printf("status %d after %.3f s, %d reports, longest gap %.3f s (in %s, at %.3f)\n",
                static_cast<int>(result.status), Seconds(end - start_), reports_, Seconds(longest_),
                StageName(longest_stage_), longest_at_);
    if (asked_)
      std::printf("cancel: returned %.3f s after the stop was asked, in %s\n", Seconds(end - *asked_),
                  StageName(stage_));
  }

 private:
  std::optional<double> cancel_after_;
  Clock::time_point start_ = Clock::now(), last_{};
  Clock::duration longest_{};
  std::optional<Clock::time_point> asked_;
  codec::RunStage stage_ = codec::RunStage::kReading, longest_stage_ = codec::RunStage::kReading;
  double longest_at_ = 0;
  int reports_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s hide|open PICTURE PAYLOAD|- PASSWORD [CANCEL_AFTER_SECONDS]\n", argv[0]);
    return 2;
  }
  const std::string verb = argv[1], picture = argv[2];
  const std::optional<double> cancel_after = argc > 5 ? std::optional<double>(std::atof(argv[5])) : std::nullopt;
  Watcher watcher(cancel_after);
  auto cover = OpenSystemFile(picture, OpenMode::kReadOnly);
  if (verb == "hide") {
    auto payload = OpenSystemFile(argv[3], OpenMode::kReadOnly);
    OutputFile output = OutputFile::Open(picture + ".progress-bench");
    codec::StealthHideRequest request{*cover, *payload, output.File(), "bin", argv[4]};
    const auto result = codec::HideStealth(request, watcher);
    watcher.Report(result);
    if (result.ok()) output.Commit();
    return result.ok() || result.status == codec::RunStatus::kCancelled ? 0 : 1;
  }
  const auto opened = codec::OpenStealth({*cover, argv[4]}, watcher);
  watcher.Report(opened.result);
  std::printf("file: %zu bytes\n", opened.file.size());
  return 0;
}
