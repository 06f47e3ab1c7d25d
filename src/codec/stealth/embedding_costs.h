#pragma once

#include <cstdint>
#include <vector>

#include "codec/cover_samples.h"

namespace veil::codec::stealth {

// What a change of each sample would cost, as a level from 0 to 254 (a
// level 16 higher costs twice as much), or kWet where a change must not be
// made: saturated samples (0 or the largest value), flat areas, and samples
// of locked pixels. The costs are HILL's (Li, Wang, Huang and Ni, 2014),
// channel by channel: a 3x3 high-pass residual, its 3x3 mean, the
// reciprocal, and a 15x15 mean of that.
struct CostMap {
  std::vector<std::uint8_t> levels;  // one a sample, in the samples' order
  std::uint64_t usable = 0;          // samples that are not wet
};

CostMap ComputeCosts(const CoverSamples& samples, unsigned threads);

// The cost of a level; +infinity for kWet.
float CostOfLevel(std::uint8_t level);

}  // namespace veil::codec::stealth
