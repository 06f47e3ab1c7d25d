#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace veil {

// Times count candidate kernels, run(i) running candidate i once over the
// given number of groups, and returns each one's best time in nanoseconds a
// group. The candidates take turns, seven rounds; each sample repeats the
// call until candidate 0 (the portable one) takes about two microseconds, so
// that a coarse clock still resolves it, and a candidate that has used up
// its share of time (a microcoded one) is not sampled again. The whole
// timing stays well under a millisecond even on a processor whose BMI2
// kernels are twenty times slower than the portable one.
std::vector<double> TimeKernels(std::size_t count, std::size_t groups, const std::function<void(std::size_t)>& run);

}  // namespace veil
