// The portable loops, written for the compiler to vectorise.
#include <cmath>

#include "codec/stealth/juniward_kernels.h"

namespace veil::codec::stealth {
namespace {

void FilterRow(const float* in, long count, const float* low_taps, const float* high_taps, float* low, float* high) {
  for (long x = 0; x < count; ++x) low[x] = high[x] = 0;
  for (int t = 0; t < kJUniwardTaps; ++t) {
    const float* from = in - t;
    const float a = low_taps[t], b = high_taps[t];
    for (long x = 0; x < count; ++x) {
      low[x] += from[x] * a;
      high[x] += from[x] * b;
    }
  }
}

void WeighColumn(const float* const* rows, long count, const float* taps, float* weight) {
  for (long x = 0; x < count; ++x) weight[x] = 0;
  for (int t = 0; t < kJUniwardTaps; ++t) {
    const float* in = rows[t];
    const float tap = taps[t];
    for (long x = 0; x < count; ++x) weight[x] += in[x] * tap;
  }
  for (long x = 0; x < count; ++x) weight[x] = 1.0f / (kJUniwardSigma + std::abs(weight[x]));
}

void SpreadRow(const float* weight, long blocks, const float (*across)[8], float* out) {
  for (long b = 0; b < blocks; ++b) {
    float sum[8] = {};
    for (int v = 0; v < kJUniwardSpan; ++v) {
      const float w = weight[8 * b + v];
      for (int l = 0; l < 8; ++l) sum[l] += across[v][l] * w;
    }
    for (int l = 0; l < 8; ++l) out[8 * b + l] = sum[l];
  }
}

void SpreadColumns(const float* rows, long stride, long blocks, const float (*down)[kJUniwardSpan], float* rho) {
  for (long b = 0; b < blocks; ++b) {
    float* block = rho + 64 * b;
    for (int u = 0; u < kJUniwardSpan; ++u) {
      const float* spread = rows + u * stride + 8 * b;
      for (int k = 0; k < 8; ++k) {
        const float a = down[k][u];
        for (int l = 0; l < 8; ++l) block[8 * k + l] += a * spread[l];
      }
    }
  }
}

}  // namespace

JUniwardKernels PortableJUniwardKernels() { return {"portable", FilterRow, WeighColumn, SpreadRow, SpreadColumns}; }

}  // namespace veil::codec::stealth
