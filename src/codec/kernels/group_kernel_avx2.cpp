// Gathering with AVX2, one group in each 128-bit lane: a byte shuffle lines
// up, for each data byte, the four cover bytes that carry it; one
// multiply-add of bytes and one of words then add their carried bits into
// place (the bits never overlap, so the sums are the data bytes). Compiled
// for AVX2 alone and called only where the processor has it.
#include "codec/kernels/group_kernel.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <cstring>

namespace veil {

__attribute__((target("avx2"))) void GatherGroupsAvx2(std::span<const std::uint8_t> cover,
                                                      std::span<std::uint8_t> data) {
  const std::size_t groups = data.size() / 3;
  const std::uint8_t* c = cover.data();
  std::uint8_t* d = data.data();
  constexpr char z = -1;  // a shuffle index that yields 0
  // Data byte j of the lane's group in dword j: c[3j], c[3j+1], c[3j+2] and
  // c9, c10 or c11 (bits 7-6, bit 6, bits 7-6).
  const __m256i lineup = _mm256_setr_epi8(0, 1, 2, 9, 3, 4, 5, 10, 6, 7, 8, 11, z, z, z, z,  //
                                          0, 1, 2, 9, 3, 4, 5, 10, 6, 7, 8, 11, z, z, z, z);
  const __m256i carried = _mm256_setr_epi8(3, 1, 7, 3, 3, 1, 7, 1, 3, 1, 7, 3, 0, 0, 0, 0,  //
                                           3, 1, 7, 3, 3, 1, 7, 1, 3, 1, 7, 3, 0, 0, 0, 0);
  const __m256i weights = _mm256_setr_epi8(1, 4, 8, 64, 1, 4, 8, 64, 1, 4, 8, 64, 0, 0, 0, 0,  //
                                           1, 4, 8, 64, 1, 4, 8, 64, 1, 4, 8, 64, 0, 0, 0, 0);
  // Data byte 1's bit 7, from bit 2 of c11.
  const __m256i bit7 = _mm256_setr_epi8(z, z, z, z, 11, z, z, z, z, z, z, z, z, z, z, z,  //
                                        z, z, z, z, 11, z, z, z, z, z, z, z, z, z, z, z);
  const __m256i bit7_carried = _mm256_setr_epi8(0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                                0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i bit7_weight = _mm256_setr_epi8(0, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                               0, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i ones = _mm256_set1_epi16(1);
  // The three data bytes of lane i's group, from bytes 0, 4 and 8 to 3i..3i+2.
  __m256i pack[4];
  for (int i = 0; i < 4; ++i) {
    alignas(32) char index[32];
    std::memset(index, z, sizeof index);
    for (int lane = 0; lane < 2; ++lane)
      for (int j = 0; j < 3; ++j) index[16 * lane + 3 * i + j] = static_cast<char>(4 * j);
    pack[i] = _mm256_load_si256(reinterpret_cast<const __m256i*>(index));
  }

  // Eight groups a round: groups g..g+3 in the low lanes, g+4..g+7 in the
  // high ones. A round reads 4 bytes past its last group and writes 4 past
  // its data: it needs two more groups after its eight, and the last groups
  // go the portable way.
  std::size_t g = 0;
  for (; g + 10 <= groups; g += 8) {
    __m256i gathered = _mm256_setzero_si256();
    for (int i = 0; i < 4; ++i) {
      const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 12 * (g + i)));
      const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 12 * (g + 4 + i)));
      const __m256i groups_in = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
      const __m256i pairs = _mm256_add_epi16(
          _mm256_maddubs_epi16(_mm256_and_si256(_mm256_shuffle_epi8(groups_in, lineup), carried), weights),
          _mm256_maddubs_epi16(_mm256_and_si256(_mm256_shuffle_epi8(groups_in, bit7), bit7_carried), bit7_weight));
      gathered = _mm256_or_si256(gathered, _mm256_shuffle_epi8(_mm256_madd_epi16(pairs, ones), pack[i]));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * g), _mm256_castsi256_si128(gathered));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * g + 12), _mm256_extracti128_si256(gathered, 1));
  }
  GatherGroupsPortable(cover.subspan(12 * g), data.subspan(3 * g));
}

}  // namespace veil
#endif
