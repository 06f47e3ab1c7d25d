#pragma once

#include <cstdint>
#include <optional>

#include "codec/covers/png/png_cover.h"
#include "codec/covers/png/png_refusal.h"

namespace veil::codec::png {

// Why a decoded cover's samples hold fewer bits than their depth, or nothing.
// A picture scaled up from fewer bits (an sBIT chunk that says so, or 16-bit
// samples that nearly all repeat or zero their low byte) keeps a pattern in its low
// bits that any change of one would break for everyone to see.
std::optional<PngRefusal> RefusePaddedSamples(const PngCover& cover);

// The same, for a picture read a row at a time: its 16-bit colour and grey
// samples counted as they pass.
struct LowByteCounts {
  std::uint64_t samples = 0, repeated = 0, zeroed = 0;
  void Add(std::uint16_t v) {
    ++samples;
    repeated += (v >> 8) == (v & 0xFF) ? 1 : 0;
    zeroed += (v & 0xFF) == 0 ? 1 : 0;
  }
};
std::optional<PngRefusal> RefusePaddedSamples(const PngChunkMap& chunks, unsigned channels, unsigned depth,
                                              const LowByteCounts& counts);

}  // namespace veil::codec::png
