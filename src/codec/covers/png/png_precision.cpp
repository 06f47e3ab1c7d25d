#include "codec/covers/png/png_precision.h"

#include <string>

namespace veil::codec::png {
namespace {

PngRefusal Padded(std::string why) {
  return {PngRefusal::Kind::kUnsupported,
          "this PNG cannot carry a hidden file: " + std::move(why) + ", so a change in its lowest bit would show"};
}

// A sample of real 16-bit precision repeats or zeroes its low byte by chance
// once in 256; a picture where 99 in 100 do was scaled up, and the few that
// do not (an edit, a watermark) do not hide the pattern of the rest.
constexpr std::uint64_t kPaddedPercent = 99;

std::string Share(std::uint64_t part, std::uint64_t whole) {
  if (part == whole) return "all";
  return std::to_string(part) + " of " + std::to_string(whole);
}

}  // namespace

std::optional<PngRefusal> RefusePaddedSamples(const PngChunkMap& chunks, unsigned channels, unsigned depth,
                                              const LowByteCounts& counts) {
  const auto& sbit = chunks.significant_bits;
  for (std::size_t c = 0; c < channels && c < sbit.size(); ++c) {
    if (sbit[c] < depth) {
      return Padded("its sBIT chunk says its samples hold " + std::to_string(sbit[c]) + " significant bits of " +
                    std::to_string(depth));
    }
  }
  if (depth != 16 || counts.samples == 0) return std::nullopt;
  if (counts.repeated * 100 >= counts.samples * kPaddedPercent) {
    return Padded("its 16-bit samples are 8-bit values scaled up (" + Share(counts.repeated, counts.samples) +
                  " repeat their high byte in their low one)");
  }
  if (counts.zeroed * 100 >= counts.samples * kPaddedPercent) {
    return Padded("its 16-bit samples are 8-bit values shifted up (" + Share(counts.zeroed, counts.samples) +
                  " have a low byte of zero)");
  }
  return std::nullopt;
}

std::optional<PngRefusal> RefusePaddedSamples(const PngCover& cover) {
  LowByteCounts counts;
  for (std::uint16_t v : cover.samples.values16) counts.Add(v);
  return RefusePaddedSamples(cover.chunks, cover.samples.channels, cover.samples.depth, counts);
}

}  // namespace veil::codec::png
