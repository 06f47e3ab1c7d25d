#pragma once

#include <cstddef>
#include <span>

namespace veil {

// How much faster than a more portable kernel another must measure to be
// chosen over it: it must take at most this share of the other's time.
// The real differences are large (a vector kernel takes a third to a half of
// the portable one's time; microcoded PDEP takes twenty times as long),
// while a best-of-seven timing of a few microseconds on a busy machine still
// varies by about a tenth between processes. Between two kernels closer than
// this, the one that runs well on more processors wins, and the most a wrong
// call can cost is a fifth of the kernel's time, itself a minor share of a
// run that reads and writes its files.
inline constexpr double kClearlyFasterShare = 0.8;

// The kernel to use, given each candidate's time (nanoseconds a group, best of
// its samples) in order of preference, the portable one first: the first one
// that no other candidate is clearly faster than. A time that is not a
// positive finite number counts as not measured: that candidate is not
// chosen, and the portable one is chosen if it is the one not measured.
std::size_t ChooseKernel(std::span<const double> nanoseconds);

}  // namespace veil
