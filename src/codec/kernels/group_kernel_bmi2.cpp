// The kernels with BMI2's bit deposit and extract: the carried bits of a
// group's first eight cover bytes are one pext (gathering) or pdep (placing)
// away from the data bits they carry; the last four go through a small table.
// Compiled for BMI2 alone and called only where the processor has it.
#include "codec/kernels/group_kernel.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <array>
#include <cstring>

namespace veil {
namespace {

// Carried bits of cover bytes 0-7 (little-endian) and 8-11.
constexpr std::uint64_t kCarryLo = 0x0103070103070103ULL;
constexpr std::uint32_t kCarryHi = 0x07010307U;
// The data bits (d0 | d1 << 8 | d2 << 16) that cover bytes 0-7 carry, in order.
constexpr std::uint64_t kDataLo = 0x073F3F;
// The data bits that cover bytes 8-11 carry, in increasing order.
constexpr std::uint64_t kDataHi = 0xF8C0C0;

// Data bit (in increasing order of kDataHi) to cover bit of bytes 8-11, and
// cover bit (in increasing order of kCarryHi) to data bit.
constexpr std::array<int, 9> kHiCoverBitOfData = {8, 9, 16, 26, 0, 1, 2, 24, 25};
constexpr std::array<int, 9> kDataBitOfHiCover = {19, 20, 21, 6, 7, 14, 22, 23, 15};

constexpr std::array<std::uint32_t, 512> PlaceHiTable() {
  std::array<std::uint32_t, 512> table{};
  for (unsigned t = 0; t < 512; ++t)
    for (int bit = 0; bit < 9; ++bit)
      if (t >> bit & 1) table[t] |= std::uint32_t{1} << kHiCoverBitOfData[static_cast<std::size_t>(bit)];
  return table;
}
constexpr std::array<std::uint32_t, 512> GatherHiTable() {
  std::array<std::uint32_t, 512> table{};
  for (unsigned t = 0; t < 512; ++t)
    for (int bit = 0; bit < 9; ++bit)
      if (t >> bit & 1) table[t] |= std::uint32_t{1} << kDataBitOfHiCover[static_cast<std::size_t>(bit)];
  return table;
}
constexpr auto kPlaceHi = PlaceHiTable();
constexpr auto kGatherHi = GatherHiTable();

}  // namespace

__attribute__((target("bmi2"))) void PlaceGroupsBmi2(std::span<std::uint8_t> cover,
                                                     std::span<const std::uint8_t> data) {
  const std::size_t groups = data.size() / 3;
  std::uint8_t* c = cover.data();
  const std::uint8_t* d = data.data();
  for (std::size_t g = 0; g < groups; ++g, c += 12, d += 3) {
    const std::uint64_t v = std::uint64_t{d[0]} | std::uint64_t{d[1]} << 8 | std::uint64_t{d[2]} << 16;
    std::uint64_t lo;
    std::uint32_t hi;
    std::memcpy(&lo, c, 8);
    std::memcpy(&hi, c + 8, 4);
    lo = (lo & ~kCarryLo) | _pdep_u64(_pext_u64(v, kDataLo), kCarryLo);
    hi = (hi & ~kCarryHi) | kPlaceHi[_pext_u64(v, kDataHi)];
    std::memcpy(c, &lo, 8);
    std::memcpy(c + 8, &hi, 4);
  }
}

__attribute__((target("bmi2"))) void GatherGroupsBmi2(std::span<const std::uint8_t> cover,
                                                      std::span<std::uint8_t> data) {
  const std::size_t groups = data.size() / 3;
  const std::uint8_t* c = cover.data();
  std::uint8_t* d = data.data();
  for (std::size_t g = 0; g < groups; ++g, c += 12, d += 3) {
    std::uint64_t lo;
    std::uint32_t hi;
    std::memcpy(&lo, c, 8);
    std::memcpy(&hi, c + 8, 4);
    const std::uint32_t v =
        static_cast<std::uint32_t>(_pdep_u64(_pext_u64(lo, kCarryLo), kDataLo)) | kGatherHi[_pext_u32(hi, kCarryHi)];
    if (g + 1 < groups) {
      std::memcpy(d, &v, 4);  // the fourth byte is the next group's first, written next
    } else {
      d[0] = static_cast<std::uint8_t>(v), d[1] = static_cast<std::uint8_t>(v >> 8);
      d[2] = static_cast<std::uint8_t>(v >> 16);
    }
  }
}

}  // namespace veil
#endif
