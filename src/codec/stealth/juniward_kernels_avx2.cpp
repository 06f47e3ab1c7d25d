// The loops with AVX2 and FMA: eight columns at a time, or a block's eight
// coefficients of a row in one register. Compiled for these alone and
// called only where the processor has them.
#include <immintrin.h>

#include "codec/stealth/juniward_kernels.h"

namespace veil::codec::stealth {
namespace {

#define VEIL_AVX2 __attribute__((target("avx2,fma")))

VEIL_AVX2 void FilterRow(const float* in, long count, const float* low_taps, const float* high_taps, float* low,
                         float* high) {
  long x = 0;
  for (; x + 8 <= count; x += 8) {
    __m256 l = _mm256_setzero_ps(), h = _mm256_setzero_ps();
    for (int t = 0; t < kJUniwardTaps; ++t) {
      const __m256 v = _mm256_loadu_ps(in + x - t);
      l = _mm256_fmadd_ps(v, _mm256_broadcast_ss(low_taps + t), l);
      h = _mm256_fmadd_ps(v, _mm256_broadcast_ss(high_taps + t), h);
    }
    _mm256_storeu_ps(low + x, l);
    _mm256_storeu_ps(high + x, h);
  }
  for (; x < count; ++x) {
    float l = 0, h = 0;
    for (int t = 0; t < kJUniwardTaps; ++t) {
      l += in[x - t] * low_taps[t];
      h += in[x - t] * high_taps[t];
    }
    low[x] = l;
    high[x] = h;
  }
}

VEIL_AVX2 void WeighColumn(const float* const* rows, long count, const float* taps, float* weight) {
  const __m256 sigma = _mm256_set1_ps(kJUniwardSigma), one = _mm256_set1_ps(1.0f);
  const __m256 sign = _mm256_set1_ps(-0.0f);
  long x = 0;
  for (; x + 8 <= count; x += 8) {
    __m256 sum = _mm256_setzero_ps();
    for (int t = 0; t < kJUniwardTaps; ++t) sum = _mm256_fmadd_ps(_mm256_loadu_ps(rows[t] + x), _mm256_broadcast_ss(taps + t), sum);
    _mm256_storeu_ps(weight + x, _mm256_div_ps(one, _mm256_add_ps(sigma, _mm256_andnot_ps(sign, sum))));
  }
  for (; x < count; ++x) {
    float sum = 0;
    for (int t = 0; t < kJUniwardTaps; ++t) sum += rows[t][x] * taps[t];
    weight[x] = 1.0f / (kJUniwardSigma + (sum < 0 ? -sum : sum));
  }
}

// Four blocks at a time, so that four sums are under way at once.
VEIL_AVX2 void SpreadRow(const float* weight, long blocks, const float (*across)[8], float* out) {
  long b = 0;
  for (; b + 4 <= blocks; b += 4) {
    const float* w = weight + 8 * b;
    __m256 s0 = _mm256_setzero_ps(), s1 = s0, s2 = s0, s3 = s0;
    for (int v = 0; v < kJUniwardSpan; ++v) {
      const __m256 a = _mm256_loadu_ps(across[v]);
      s0 = _mm256_fmadd_ps(a, _mm256_broadcast_ss(w + v), s0);
      s1 = _mm256_fmadd_ps(a, _mm256_broadcast_ss(w + 8 + v), s1);
      s2 = _mm256_fmadd_ps(a, _mm256_broadcast_ss(w + 16 + v), s2);
      s3 = _mm256_fmadd_ps(a, _mm256_broadcast_ss(w + 24 + v), s3);
    }
    _mm256_storeu_ps(out + 8 * b, s0);
    _mm256_storeu_ps(out + 8 * b + 8, s1);
    _mm256_storeu_ps(out + 8 * b + 16, s2);
    _mm256_storeu_ps(out + 8 * b + 24, s3);
  }
  for (; b < blocks; ++b) {
    __m256 s = _mm256_setzero_ps();
    for (int v = 0; v < kJUniwardSpan; ++v)
      s = _mm256_fmadd_ps(_mm256_loadu_ps(across[v]), _mm256_broadcast_ss(weight + 8 * b + v), s);
    _mm256_storeu_ps(out + 8 * b, s);
  }
}

VEIL_AVX2 void SpreadColumns(const float* rows, long stride, long blocks, const float (*down)[kJUniwardSpan],
                             float* rho) {
  for (long b = 0; b < blocks; ++b) {
    float* block = rho + 64 * b;
    __m256 r[8];
    for (int k = 0; k < 8; ++k) r[k] = _mm256_loadu_ps(block + 8 * k);
    for (int u = 0; u < kJUniwardSpan; ++u) {
      const __m256 spread = _mm256_loadu_ps(rows + u * stride + 8 * b);
      for (int k = 0; k < 8; ++k) r[k] = _mm256_fmadd_ps(_mm256_broadcast_ss(&down[k][u]), spread, r[k]);
    }
    for (int k = 0; k < 8; ++k) _mm256_storeu_ps(block + 8 * k, r[k]);
  }
}

#undef VEIL_AVX2

}  // namespace

JUniwardKernels Avx2JUniwardKernels() { return {"avx2", FilterRow, WeighColumn, SpreadRow, SpreadColumns}; }

}  // namespace veil::codec::stealth
