#pragma once

#include <vector>

#include "codec/kernels/kernel_dispatch.h"

namespace veil::codec::stealth {

inline constexpr int kJUniwardTaps = 16;
inline constexpr int kJUniwardSpan = 23;  // a block's 8 pixels through 16 taps
inline constexpr float kJUniwardSigma = 1.0f / 64;

// The inner loops of J-UNIWARD's costs, which take nearly all of its time.
struct JUniwardKernels {
  const char* name;
  // low[x] = sum_t in[x - t] low_taps[t], high likewise, for x in [0, count):
  // reads in[-15 .. count - 1].
  void (*filter_row)(const float* in, long count, const float* low_taps, const float* high_taps, float* low,
                     float* high);
  // weight[x] = 1 / (sigma + |sum_t rows[t][x] taps[t]|), for x in [0, count).
  void (*weigh_column)(const float* const* rows, long count, const float* taps, float* weight);
  // out[8 b + l] = sum_v across[v][l] weight[8 b + v], for each of blocks b:
  // reads weight[0 .. 8 blocks + 14].
  void (*spread_row)(const float* weight, long blocks, const float (*across)[8], float* out);
  // rho[64 b + 8 k + l] += sum_u down[k][u] rows[u stride + 8 b + l], for
  // each of blocks b and u in [0, 23).
  void (*spread_columns)(const float* rows, long stride, long blocks, const float (*down)[kJUniwardSpan],
                         float* rho);
};

// The sets this processor can run, the portable one first; its features
// only say which may run at all.
const std::vector<JUniwardKernels>& JUniwardKernelSets();

// Which set the costs use (index in JUniwardKernelSets()): decided once per
// process by timing each on a small picture, by ChooseKernel's rule.
const KernelChoice& JUniwardKernelChoice();

JUniwardKernels PortableJUniwardKernels();
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
JUniwardKernels Avx2JUniwardKernels();  // AVX2 and FMA
#endif

}  // namespace veil::codec::stealth
