#pragma once

#include <cstddef>
#include <vector>

#include "codec/kernels/kernel_dispatch.h"
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

// Which forward pass the code uses (index in ForwardKernels(), never
// forced): decided once per process, by timing every candidate on a small
// problem in the cache, by ChooseKernel's rule like the group kernels.
const KernelChoice& TrellisForwardChoice();

}  // namespace veil::codec::stealth
