#pragma once

#include <chrono>
#include <cstdio>

#include "codec/run_result.h"

namespace veil {

// Draws a run's progress as a bar on a terminal, once the work has lasted
// long enough to be worth watching.
class ConsoleProgress final : public codec::RunObserver {
 public:
  ConsoleProgress(std::FILE* terminal, bool enabled) : terminal_(terminal), enabled_(enabled) {}
  ~ConsoleProgress() override { Finish(); }

  void Progress(int percent) override;
  void Finish();

 private:
  std::FILE* terminal_;
  bool enabled_;
  bool drawn_ = false;
  int shown_ = -1;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace veil
