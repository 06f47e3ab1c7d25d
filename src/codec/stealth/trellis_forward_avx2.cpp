// The Viterbi pass with AVX2: the 128 states' costs in 16 registers' worth
// of floats; a column's partner state s ^ h is a register index xor and a
// lane permutation. Compiled for AVX2 alone and called only where the
// processor has it.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <limits>

#include "codec/stealth/trellis_forward.h"

namespace veil::codec::stealth {

__attribute__((target("avx2"))) float ForwardAvx2(const TrellisProblem& p) {
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  alignas(32) std::array<float, 128> cost, next;
  cost.fill(kInfinity);
  cost[0] = 0;
  __m256i lane_xor[8];
  for (int k = 0; k < 8; ++k) lane_xor[k] = _mm256_setr_epi32(0 ^ k, 1 ^ k, 2 ^ k, 3 ^ k, 4 ^ k, 5 ^ k, 6 ^ k, 7 ^ k);
  const __m256 zero = _mm256_setzero_ps();
  std::size_t column = 0;
  for (std::size_t i = 0; i < p.m; ++i) {
    const std::size_t start = column, end = BlockEnd(i, p.n, p.m);
    const std::uint8_t mask = RowMask(i, p.m);
    for (; column < end; ++column) {
      const int h = p.hhat[column - start] & mask;
      const int hv = h >> 3;
      const __m256i idx = lane_xor[h & 7];
      const __m256 r = _mm256_set1_ps(p.rho[column]);
      const __m256 keep = p.x[column] ? r : zero, flip = p.x[column] ? zero : r;
      std::uint8_t* path = p.paths + column * 16;
      const float* c = cost.data();
      float* out = next.data();
      for (int v = 0; v < 16; ++v) {
        const __m256 a = _mm256_add_ps(_mm256_load_ps(c + 8 * v), keep);
        const __m256 b = _mm256_add_ps(_mm256_permutevar8x32_ps(_mm256_load_ps(c + 8 * (v ^ hv)), idx), flip);
        const __m256 one = _mm256_cmp_ps(b, a, _CMP_LT_OQ);
        _mm256_store_ps(out + 8 * v, _mm256_blendv_ps(a, b, one));
        path[v] = static_cast<std::uint8_t>(_mm256_movemask_ps(one));
      }
      std::swap(cost, next);
    }
    const int bit = p.message[i] & 1;
    for (int s = 0; s < 64; ++s) next[s] = cost[2 * s + bit];
    std::fill(next.begin() + 64, next.end(), kInfinity);
    std::swap(cost, next);
  }
  return cost[0];
}

}  // namespace veil::codec::stealth
