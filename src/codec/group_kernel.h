#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace veil {

// Whole-group placement and gathering over many groups at once, word-wide.
// Produces exactly what the thirteen bit operations produce, group by group
// (the tests cross-check every kernel), at a fraction of the cost.

// cover holds 12 bytes for every 3 bytes of data; data.size() is a multiple of 3.
void PlaceGroups(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroups(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);

// One implementation of the two kernels.
struct GroupKernel {
  const char* name;
  void (*place)(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
  void (*gather)(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);
};

// Every kernel this processor can run, the portable one first and the one
// PlaceGroups and GatherGroups use last.
const std::vector<GroupKernel>& AvailableKernels();

// The kernels by instruction set; the fast ones exist only on x86-64.
void PlaceGroupsPortable(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroupsPortable(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);
void PlaceGroupsBmi2(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroupsBmi2(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);
void GatherGroupsAvx2(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);

}  // namespace veil
