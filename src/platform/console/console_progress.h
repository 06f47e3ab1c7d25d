#pragma once

#include <chrono>
#include <cstdio>
#include <string_view>

#include "platform/memory_controls.h"

namespace veil {

// Draws the runs' per-cent captions as a progress bar on a terminal, once
// the work has lasted long enough to be worth watching.
class ConsoleProgress {
 public:
  ConsoleProgress(std::FILE* terminal, bool enabled) : terminal_(terminal), enabled_(enabled) {}
  ~ConsoleProgress() { Finish(); }

  // Watches the percentage caption of the given controls.
  void Watch(MemoryControls& controls, std::string_view percent_control);
  void Update(int percent);
  void Finish();

 private:
  std::FILE* terminal_;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace veil
