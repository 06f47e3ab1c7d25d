#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace veil {

// Which kernel PlaceGroups and GatherGroups use, decided once per process
// and for each operation on its own: the one a request forces, or
// else the one ChooseKernel picks from a timing of every kernel this
// processor can run, on 256 groups in the cache, when the operation is first
// used. The processor's features only say which kernels may run at all.
struct KernelChoice {
  std::size_t index;  // in PlaceKernels() or GatherKernels()
  const char* name;
  bool forced;                      // by the request
  std::vector<double> nanoseconds;  // each kernel's time a group, in the list's order; empty when forced
};
const KernelChoice& PlaceChoice();
const KernelChoice& GatherChoice();

// Forces kernels as text in the form of kKernelVariable's value says; the
// programs pass that variable's value before their first run. Empty (or
// never called): both operations are timed. Without effect once a choice
// has been made.
void RequestKernels(std::string text);

// Why the request cannot be used (it is then ignored and both operations
// are timed), or empty when it can or there is none.
std::string KernelRequestProblem();

}  // namespace veil
