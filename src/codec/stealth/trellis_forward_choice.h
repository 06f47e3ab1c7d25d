#pragma once

#include <cstddef>
#include <vector>

#include "codec/stealth/trellis_forward.h"

namespace veil::codec::stealth {

using ForwardPass = float (*)(const TrellisProblem&);

// The forward passes this processor can run, the portable one first; its
// features only say which may run at all.
struct ForwardKernel {
  const char* name;
  ForwardPass run;
};
const std::vector<ForwardKernel>& ForwardKernels();

// Which forward pass the code uses: decided once per process, by timing
// every candidate on a small problem in the cache (ChooseKernel's rule).
struct ForwardChoice {
  std::size_t index;                // in ForwardKernels()
  const char* name;
  std::vector<double> nanoseconds;  // each candidate's time a column
};
const ForwardChoice& TrellisForwardChoice();

}  // namespace veil::codec::stealth
