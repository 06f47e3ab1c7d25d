#include "codec/covers/png/png_precision.h"

#include <algorithm>
#include <string>

namespace veil::codec::png {
namespace {

PngRefusal Padded(std::string why) {
  return {PngRefusal::Kind::kUnsupported, "this PNG cannot carry a hidden file: " + std::move(why) +
                                              ", so a change in its lowest bit would show"};
}

}  // namespace

std::optional<PngRefusal> RefusePaddedSamples(const PngCover& cover) {
  const CoverSamples& s = cover.samples;
  const auto& sbit = cover.chunks.significant_bits;
  for (std::size_t c = 0; c < s.channels && c < sbit.size(); ++c) {
    if (sbit[c] < s.depth) {
      return Padded("its sBIT chunk says its samples hold " + std::to_string(sbit[c]) + " significant bits of " +
                    std::to_string(s.depth));
    }
  }
  if (s.depth != 16 || s.values16.empty()) return std::nullopt;
  const auto& v = s.values16;
  if (std::all_of(v.begin(), v.end(), [](std::uint16_t x) { return (x >> 8) == (x & 0xFF); })) {
    return Padded("its 16-bit samples are 8-bit values scaled up (each low byte repeats its high byte)");
  }
  if (std::all_of(v.begin(), v.end(), [](std::uint16_t x) { return (x & 0xFF) == 0; })) {
    return Padded("its 16-bit samples are 8-bit values shifted up (every low byte is zero)");
  }
  return std::nullopt;
}

}  // namespace veil::codec::png
