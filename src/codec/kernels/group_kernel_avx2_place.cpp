// Placing with AVX2 and no bit deposit (PDEP is slow microcode on AMD before
// Zen 3): eight groups a round, their 96 cover bytes as three vectors. For
// each cover byte a byte shuffle brings up the data byte it carries bits of,
// 16-bit shifts by 2, 3, 6 (and 5, for data byte 1's bit 7 in cover byte 11)
// line the bits up, and masks keep each byte's own; the bits a shift brings
// in from the neighbouring byte always land above the kept ones. Compiled for
// AVX2 alone and called only where the processor has it.
#include "codec/kernels/group_kernel.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <array>

namespace veil {
namespace {

constexpr int kVectors = 3;  // 96 cover bytes, 24 data bytes a round
// Where each vector's 16-byte window of the round's data starts: the data
// bytes its cover bytes carry lie in it (checked below).
constexpr std::array<int, kVectors> kWindow = {0, 6, 8};
constexpr std::uint8_t kZero = 0x80;  // a shuffle index that yields 0

using Row = std::array<std::uint8_t, 32>;
struct Constants {
  std::array<Row, kVectors> lineup{}, bit7{}, keep0{}, keep2{}, keep3{}, keep6{}, keep5{}, carried{};
};

// Cover byte k of a group: the data byte j it carries bits of, how far they
// are shifted down and which of the byte's bits they fill.
struct Source {
  int j, shift, mask;
};
constexpr Source SourceOf(int k) {
  if (k < 9) return k % 3 == 0 ? Source{k / 3, 0, 3} : k % 3 == 1 ? Source{k / 3, 2, 1} : Source{k / 3, 3, 7};
  return k == 9 ? Source{0, 6, 3} : k == 10 ? Source{1, 6, 1} : Source{2, 6, 3};
}

constexpr Constants MakeConstants() {
  Constants t;
  for (int v = 0; v < kVectors; ++v)
    for (int b = 0; b < 32; ++b) {
      const int p = 32 * v + b, group = p / 12, k = p % 12;
      const Source s = SourceOf(k);
      const int index = 3 * group + s.j - kWindow[static_cast<std::size_t>(v)];
      if (index < 0 || index > 15) throw "a data byte outside its vector's window";
      const auto vi = static_cast<std::size_t>(v), bi = static_cast<std::size_t>(b);
      t.lineup[vi][bi] = static_cast<std::uint8_t>(index);
      const auto mask = static_cast<std::uint8_t>(s.mask);
      (s.shift == 0 ? t.keep0 : s.shift == 2 ? t.keep2 : s.shift == 3 ? t.keep3 : t.keep6)[vi][bi] = mask;
      t.bit7[vi][bi] = kZero;
      if (k == 11) {  // data byte 1's bit 7, as bit 2
        t.bit7[vi][bi] = static_cast<std::uint8_t>(index - 1);
        t.keep5[vi][bi] = 4;
      }
      t.carried[vi][bi] = static_cast<std::uint8_t>(k % 3 == 0 ? 3 : k % 3 == 1 ? 1 : 7);
    }
  return t;
}

alignas(32) constexpr Constants kConstants = MakeConstants();

__attribute__((target("avx2"))) inline __m256i Load(const Row& row) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(row.data()));
}

}  // namespace

__attribute__((target("avx2"))) void PlaceGroupsAvx2(std::span<std::uint8_t> cover,
                                                     std::span<const std::uint8_t> data) {
  const std::size_t groups = data.size() / 3;
  std::uint8_t* c = cover.data();
  const std::uint8_t* d = data.data();
  std::size_t g = 0;
  for (; g + 8 <= groups; g += 8, c += 96, d += 24) {
    for (int v = 0; v < kVectors; ++v) {
      const auto vi = static_cast<std::size_t>(v);
      const __m256i window =
          _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + kWindow[vi])));
      const __m256i lined = _mm256_shuffle_epi8(window, Load(kConstants.lineup[vi]));
      const __m256i bit7 = _mm256_shuffle_epi8(window, Load(kConstants.bit7[vi]));
      __m256i bits = _mm256_and_si256(lined, Load(kConstants.keep0[vi]));
      bits = _mm256_or_si256(bits, _mm256_and_si256(_mm256_srli_epi16(lined, 2), Load(kConstants.keep2[vi])));
      bits = _mm256_or_si256(bits, _mm256_and_si256(_mm256_srli_epi16(lined, 3), Load(kConstants.keep3[vi])));
      bits = _mm256_or_si256(bits, _mm256_and_si256(_mm256_srli_epi16(lined, 6), Load(kConstants.keep6[vi])));
      bits = _mm256_or_si256(bits, _mm256_and_si256(_mm256_srli_epi16(bit7, 5), Load(kConstants.keep5[vi])));
      __m256i* at = reinterpret_cast<__m256i*>(c + 32 * v);
      const __m256i kept = _mm256_andnot_si256(Load(kConstants.carried[vi]), _mm256_loadu_si256(at));
      _mm256_storeu_si256(at, _mm256_or_si256(kept, bits));
    }
  }
  PlaceGroupsPortable(cover.subspan(12 * g), data.subspan(3 * g));
}

}  // namespace veil
#endif
