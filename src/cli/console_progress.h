#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "codec/run_result.h"

namespace veil {

// Draws a run's progress on a terminal, once the work has lasted long
// enough to be worth watching: the stage it is in, a bar and the percent of
// the whole run. A run that tells no stage (Progress alone) gets the bar.
class ConsoleProgress final : public codec::RunObserver {
 public:
  ConsoleProgress(std::FILE* terminal, bool enabled) : terminal_(terminal), enabled_(enabled) {}
  ~ConsoleProgress() override { Finish(); }

  void Progress(int percent) override;
  void Advanced(codec::RunStage stage, double fraction) override;
  // Ends the drawn line, if any; the next run starts afresh.
  void Finish();

  // What the line says of a stage.
  static const char* StageName(codec::RunStage stage);

 private:
  void Draw(const std::string& label, int permille);

  std::FILE* terminal_;
  bool enabled_;
  bool drawn_ = false;
  bool staged_ = false;  // the run tells its stages: Progress is left to them
  int shown_ = -1;       // per mille
  std::string shown_label_;
  std::size_t shown_width_ = 0;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace veil
