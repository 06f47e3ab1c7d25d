#pragma once

#include <optional>

#include "codec/covers/png/png_cover.h"
#include "codec/covers/png/png_refusal.h"

namespace veil::codec::png {

// Why a decoded cover's samples hold fewer bits than their depth, or nothing.
// A picture scaled up from fewer bits (an sBIT chunk that says so, or 16-bit
// samples that nearly all repeat or zero their low byte) keeps a pattern in its low
// bits that any change of one would break for everyone to see.
std::optional<PngRefusal> RefusePaddedSamples(const PngCover& cover);

}  // namespace veil::codec::png
