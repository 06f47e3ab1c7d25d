#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codec/covers/cover_samples.h"
#include "codec/progress/run_progress.h"
#include "codec/stealth/stealth_format.h"

namespace veil::codec::stealth {

// What a change of each sample would cost, as a level from 0 to 124 (a
// level 8 higher costs twice as much), or kWet where a change must not be
// made: saturated samples (0 or the largest value), flat areas, and samples
// of locked pixels. The costs are HILL's (Li, Wang, Huang and Ni, 2014),
// channel by channel: a 3x3 high-pass residual, its 3x3 mean, the
// reciprocal, and a 15x15 mean of that. A colour sample adds twice the
// same cost of the differences between its channel and the other two,
// which a change to one channel alone disturbs: photographs' channels move
// together, so a detector that looks at their differences sees changes that
// each channel's texture hides.
struct CostMap {
  // One cell a sample, in the samples' order: the level times two plus the
  // sample's low bit, so that the code finds both in one load.
  std::vector<std::uint8_t> levels;
  std::uint64_t usable = 0;                          // samples that are not wet
  std::array<std::uint64_t, 3> usable_by_channel{};  // the same, channel by channel
  // What a rate counts: usable pixels (the usable samples over the
  // channels), or a JPEG's non-zero AC coefficients.
  double rate_base = 0;

  bool Wet(std::size_t i) const { return (levels[i] >> 1) >= kChangedDown; }
};

// Which costs a JPEG's coefficients take: UERD's (measured, the default),
// or J-UNIWARD's (slower; not yet measured against the detector).
enum class JpegCostModel { kUerd, kJUniward };

// A JPEG's coefficients (samples.dct set) take the costs of DctCosts or
// JUniwardCosts. With a progress, tells it how far the costs are and stops
// (RunCancelled) when it is to.
CostMap ComputeCosts(const CoverSamples& samples, unsigned threads, JpegCostModel jpeg = JpegCostModel::kUerd,
                     RunProgress* progress = nullptr);

// The cost level of rho, 8 levels a doubling, rho of 1 and below level 0.
int LevelOf(float rho);

// The cost of a level; +infinity for kWet and the changed ones.
float CostOfLevel(std::uint8_t level);
// The cost of every cell (level and low bit) at once.
std::array<float, 256> CostTable();

}  // namespace veil::codec::stealth
