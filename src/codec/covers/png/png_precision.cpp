#include "codec/covers/png/png_precision.h"

#include <algorithm>
#include <string>

namespace veil::codec::png {
namespace {

PngRefusal Padded(std::string why) {
  return {PngRefusal::Kind::kUnsupported, "this PNG cannot carry a hidden file: " + std::move(why) +
                                              ", so a change in its lowest bit would show"};
}

// A sample of real 16-bit precision repeats or zeroes its low byte by chance
// once in 256; a picture where 99 in 100 do was scaled up, and the few that
// do not (an edit, a watermark) do not hide the pattern of the rest.
constexpr std::size_t kPaddedPercent = 99;

std::string Share(std::ptrdiff_t part, std::size_t whole) {
  if (static_cast<std::size_t>(part) == whole) return "all";
  return std::to_string(part) + " of " + std::to_string(whole);
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
  const auto repeated = std::count_if(v.begin(), v.end(), [](std::uint16_t x) { return (x >> 8) == (x & 0xFF); });
  const auto zeroed = std::count_if(v.begin(), v.end(), [](std::uint16_t x) { return (x & 0xFF) == 0; });
  if (static_cast<std::size_t>(repeated) * 100 >= v.size() * kPaddedPercent) {
    return Padded("its 16-bit samples are 8-bit values scaled up (" + Share(repeated, v.size()) +
                  " repeat their high byte in their low one)");
  }
  if (static_cast<std::size_t>(zeroed) * 100 >= v.size() * kPaddedPercent) {
    return Padded("its 16-bit samples are 8-bit values shifted up (" + Share(zeroed, v.size()) +
                  " have a low byte of zero)");
  }
  return std::nullopt;
}

}  // namespace veil::codec::png
