#pragma once

#include <cstdint>
#include <span>

namespace veil {

// Whole-group placement and gathering over many groups at once, word-wide.
// Produces exactly what the thirteen bit operations produce, group by group
// (the tests cross-check the two), at a fraction of the cost.

// cover holds 12 bytes for every 3 bytes of data; data.size() is a multiple of 3.
void PlaceGroups(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data);
void GatherGroups(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data);

}  // namespace veil
