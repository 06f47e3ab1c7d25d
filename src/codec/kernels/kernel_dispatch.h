#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace veil {

// Which kernel PlaceGroups and GatherGroups use, decided once per process
// and for each operation on its own: the one VEILWRIGHT_KERNEL forces, or
// else the one ChooseKernel picks from a timing of every kernel this
// processor can run, on 256 groups in the cache, when the operation is first
// used. The processor's features only say which kernels may run at all.
struct KernelChoice {
  std::size_t index;                // in PlaceKernels() or GatherKernels()
  const char* name;
  bool forced;                      // by the environment variable
  std::vector<double> nanoseconds;  // each kernel's time a group, in the list's order; empty when forced
};
const KernelChoice& PlaceChoice();
const KernelChoice& GatherChoice();

// Why the environment variable cannot be used (it is then ignored and both
// operations are timed), or empty when it can or is not set.
std::string KernelRequestProblem();

}  // namespace veil
