#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace veil {

// Whole-group placement and gathering over many groups at once, word-wide.
// Produces exactly what the thirteen bit operations produce, group by group
// (the tests cross-check every kernel), at a fraction of the cost.

// cover holds 12 bytes for every 3 bytes of data; data.size() is a multiple of 3.
// The kernel behind each is chosen once per process (see kernel_dispatch.h).
void PlaceGroups(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroups(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);

using PlaceFunction = void (*)(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
using GatherFunction = void (*)(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);

// One implementation of one of the two operations.
struct PlaceKernel {
  const char* name;
  PlaceFunction run;
};
struct GatherKernel {
  const char* name;
  GatherFunction run;
};

// The kernels of each operation that this processor can run, in order of
// preference: the portable one first, then the vector one (no instruction
// that some processors run as slow microcode), then BMI2's (PDEP and PEXT
// are microcoded on AMD before Zen 3).
const std::vector<PlaceKernel>& PlaceKernels();
const std::vector<GatherKernel>& GatherKernels();

// The kernels by instruction set; the fast ones exist only on x86-64.
void PlaceGroupsPortable(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroupsPortable(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);
void PlaceGroupsBmi2(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroupsBmi2(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);
void PlaceGroupsAvx2(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroupsAvx2(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);

}  // namespace veil
