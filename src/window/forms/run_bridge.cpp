#include "window/forms/run_bridge.h"

#include <algorithm>

namespace veil::forms {

void RunBridge::Advanced(codec::RunStage stage, double fraction) {
  stage_.store(stage);
  // The bar never goes back, whatever order the parts report in.
  const double clamped = std::clamp(fraction, 0.0, 1.0);
  double seen = fraction_.load();
  while (clamped > seen && !fraction_.compare_exchange_weak(seen, clamped)) {
  }
}

}  // namespace veil::forms
