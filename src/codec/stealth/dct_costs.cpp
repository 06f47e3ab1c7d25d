#include "codec/stealth/dct_costs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "codec/covers/large_buffer.h"
#include "codec/stealth/stealth_format.h"

namespace veil::codec::stealth {
namespace {

// Levels are 8 a doubling of rho * 2^13: a step over 8,000 times the energy
// (a busy block) is level 0; one over a fifth of it (a nearly flat one),
// the highest.
constexpr float kScale = 8192.0f;
constexpr int kHighestLevel = kChangedDown - 1;
// A change must keep a coefficient inside what an 8-bit JPEG codes.
constexpr int kLargestChangeable = 1022;

// Each block's energy: sum over k = 1..63 of |c_k| * q_k.
std::vector<float> Energies(const CoverSamples& samples, const DctComponent& component, std::uint64_t& nonzero_ac) {
  std::vector<float> energy(static_cast<std::size_t>(component.Blocks()));
  const std::uint16_t* block = samples.values16.data() + component.first;
  for (std::size_t b = 0; b < energy.size(); ++b, block += 64) {
    float sum = 0;
    for (int k = 1; k < 64; ++k) {
      const int c = static_cast<int>(block[k]) - kCoefficientOffset;
      nonzero_ac += c != 0;
      sum += static_cast<float>(std::abs(c)) * component.quant[static_cast<std::size_t>(k)];
    }
    energy[b] = sum;
  }
  return energy;
}

}  // namespace

CostMap DctCosts(const CoverSamples& samples, RunProgress* progress) {
  CostMap map;
  ResizeLarge(map.levels, samples.SampleCount());
  std::uint64_t nonzero_ac = 0;
  std::uint64_t block_rows = 0, rows_done = 0;
  for (const DctComponent& component : samples.dct->components) block_rows += component.height_in_blocks;
  for (const DctComponent& component : samples.dct->components) {
    const auto energy = Energies(samples, component, nonzero_ac);
    const long width = component.width_in_blocks, height = component.height_in_blocks;
    std::array<float, 64> steps;
    for (int k = 0; k < 64; ++k) steps[static_cast<std::size_t>(k)] = component.quant[static_cast<std::size_t>(k)];
    steps[0] = 0.5f * (steps[1] + steps[8]);
    for (long by = 0; by < height; ++by) {
      if (progress) progress->At(static_cast<double>(rows_done++) / static_cast<double>(block_rows));
      for (long bx = 0; bx < width; ++bx) {
        float around = 0;
        for (long dy = -1; dy <= 1; ++dy)
          for (long dx = -1; dx <= 1; ++dx) {
            const long y = by + dy, x = bx + dx;
            if ((dy != 0 || dx != 0) && y >= 0 && y < height && x >= 0 && x < width)
              around += energy[static_cast<std::size_t>(y * width + x)];
          }
        const float seen = energy[static_cast<std::size_t>(by * width + bx)] + 0.25f * around;
        const std::uint64_t first = component.first + 64 * static_cast<std::uint64_t>(by * width + bx);
        for (std::size_t k = 0; k < 64; ++k) {
          const std::uint16_t value = samples.values16[first + k];
          const int c = static_cast<int>(value) - kCoefficientOffset;
          int level = kWet;
          if (seen > 0 && std::abs(c) <= kLargestChangeable && steps[k] > 0) {
            level = std::min(LevelOf(steps[k] / seen * kScale), kHighestLevel);
            ++map.usable;
          }
          map.levels[first + k] = static_cast<std::uint8_t>(level << 1 | (value & 1));
        }
      }
    }
  }
  map.usable_by_channel[0] = map.usable;
  map.rate_base = static_cast<double>(nonzero_ac);
  return map;
}

}  // namespace veil::codec::stealth
