#include "codec/kernels/group_kernel.h"

#include <array>
#include <bit>
#include <cstring>

namespace veil {
namespace {

// The bits a data byte in slot j contributes to its pixel group, split into
// cover bytes 0..7 (lo, little-endian) and 8..11 (hi).
struct Contribution {
  std::uint64_t lo;
  std::uint32_t hi;
};

using Table = std::array<Contribution, 256>;

constexpr void Put(Contribution& c, int cover_byte, std::uint32_t bits) {
  if (cover_byte < 8)
    c.lo |= std::uint64_t{bits} << (8 * cover_byte);
  else
    c.hi |= bits << (8 * (cover_byte - 8));
}

constexpr Table MakeTable(int slot) {
  Table table{};
  for (std::uint32_t d = 0; d < 256; ++d) {
    Contribution c{0, 0};
    const int b = 3 * slot;
    Put(c, b, d & 3);
    Put(c, b + 1, (d >> 2) & 1);
    Put(c, b + 2, (d >> 3) & 7);
    switch (slot) {
      case 0: Put(c, 9, d >> 6); break;
      case 1:
        Put(c, 10, (d >> 6) & 1);
        Put(c, 11, (d >> 7) << 2);
        break;
      default: Put(c, 11, d >> 6); break;
    }
    table[d] = c;
  }
  return table;
}

constexpr Table kSlot0 = MakeTable(0);
constexpr Table kSlot1 = MakeTable(1);
constexpr Table kSlot2 = MakeTable(2);

// The cover bits that carry data: 2, 1 and 3 low bits of each three bytes.
constexpr std::uint64_t kCarryLo = 0x0103070103070103ULL;  // c7..c0: 01 03 07 01 03 07 01 03
constexpr std::uint32_t kCarryHi = 0x07010307U;            // c11..c8: 07 01 03 07

std::uint64_t LoadLo(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
std::uint32_t LoadHi(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p + 8, 4);
  return v;
}

}  // namespace

static_assert(std::endian::native == std::endian::little, "the kernels assume a little-endian machine");

void PlaceGroupsPortable(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data) {
  const std::size_t groups = data.size() / 3;
  std::uint8_t* c = cover.data();
  const std::uint8_t* d = data.data();
  for (std::size_t g = 0; g < groups; ++g, c += 12, d += 3) {
    const Contribution& a = kSlot0[d[0]];
    const Contribution& b = kSlot1[d[1]];
    const Contribution& e = kSlot2[d[2]];
    const std::uint64_t lo = (LoadLo(c) & ~kCarryLo) | a.lo | b.lo | e.lo;
    const std::uint32_t hi = (LoadHi(c) & ~kCarryHi) | a.hi | b.hi | e.hi;
    std::memcpy(c, &lo, 8);
    std::memcpy(c + 8, &hi, 4);
  }
}

void GatherGroupsPortable(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data) {
  const std::size_t groups = data.size() / 3;
  const std::uint8_t* c = cover.data();
  std::uint8_t* d = data.data();
  for (std::size_t g = 0; g < groups; ++g, c += 12, d += 3) {
    const std::uint64_t lo = LoadLo(c) & kCarryLo;
    const std::uint32_t hi = LoadHi(c) & kCarryHi;
    // Byte j's low six bits sit at bits 0-1, 8 and 16-18 of its three cover bytes.
    auto low6 = [](std::uint64_t x) {
      return static_cast<std::uint32_t>((x & 3) | ((x >> 6) & 4) | ((x >> 13) & 0x38));
    };
    const std::uint32_t c9 = hi >> 8, c10 = hi >> 16, c11 = hi >> 24;
    d[0] = static_cast<std::uint8_t>(low6(lo) | ((c9 & 3) << 6));
    d[1] = static_cast<std::uint8_t>(low6(lo >> 24) | ((c10 & 1) << 6) | (((c11 >> 2) & 1) << 7));
    d[2] = static_cast<std::uint8_t>(low6((lo >> 48) | (std::uint64_t{hi & 0xFF} << 16)) | ((c11 & 3) << 6));
  }
}

// The x86-64 kernels are compiled for their instruction sets alone and listed
// only where the processor (and, for AVX2, the system) supports them.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VEILWRIGHT_X86_KERNELS 1
#endif

const std::vector<PlaceKernel>& PlaceKernels() {
  static const std::vector<PlaceKernel> kernels = [] {
    std::vector<PlaceKernel> found = {{"portable", PlaceGroupsPortable}};
#ifdef VEILWRIGHT_X86_KERNELS
    if (__builtin_cpu_supports("avx2")) found.push_back({"avx2", PlaceGroupsAvx2});
    if (__builtin_cpu_supports("bmi2")) found.push_back({"bmi2", PlaceGroupsBmi2});
#endif
    return found;
  }();
  return kernels;
}

const std::vector<GatherKernel>& GatherKernels() {
  static const std::vector<GatherKernel> kernels = [] {
    std::vector<GatherKernel> found = {{"portable", GatherGroupsPortable}};
#ifdef VEILWRIGHT_X86_KERNELS
    if (__builtin_cpu_supports("avx2")) found.push_back({"avx2", GatherGroupsAvx2});
    if (__builtin_cpu_supports("bmi2")) found.push_back({"bmi2", GatherGroupsBmi2});
#endif
    return found;
  }();
  return kernels;
}

}  // namespace veil
