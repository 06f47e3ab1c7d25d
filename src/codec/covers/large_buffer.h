#pragma once

#include <cstdint>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace veil::codec {

// Sizes a vector of one entry a sample. On Linux its memory is first
// marked for huge pages: tens of megabytes read at random places cost
// far fewer page faults and TLB misses in 2 MiB pages than in 4 KiB ones.
template <typename T>
void ResizeLarge(std::vector<T>& values, std::size_t count) {
#ifdef __linux__
  constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
  values.reserve(count);
  const auto begin = reinterpret_cast<std::uintptr_t>(values.data());
  const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1), end = (begin + count * sizeof(T)) & ~(kHuge - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
  values.resize(count);
}

}  // namespace veil::codec
