#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace veil::codec {

// Where a JPEG's quantised DCT coefficients lie among its samples: each
// component's blocks, rows top to bottom, 64 coefficients a block in their
// natural (row by row) order, the components one after another.
struct DctComponent {
  std::uint32_t width_in_blocks = 0;
  std::uint32_t height_in_blocks = 0;
  std::array<std::uint16_t, 64> quant{};  // the component's quantisation table, natural order
  std::uint64_t first = 0;                // its first block's first sample

  std::uint64_t Blocks() const { return std::uint64_t{width_in_blocks} * height_in_blocks; }
};
struct DctGrid {
  std::uint32_t picture_width = 0, picture_height = 0;
  std::vector<DctComponent> components;
};

// A JPEG's sample holds its coefficient moved up by this, so that every
// value is unsigned and the low bit is the coefficient's own.
inline constexpr std::int32_t kCoefficientOffset = 32768;

// The samples of a picture that a stealth hiding may change, whatever kind of
// file they came from: rows top to bottom, left to right, the carrying
// samples of a pixel side by side. Alpha is never among them.
struct CoverSamples {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t channels = 0;            // carrying samples a pixel: 1 (grey) or 3 (colour)
  std::uint8_t depth = 8;               // bits a sample: 8 or 16
  std::vector<std::uint8_t> values8;    // depth 8: one byte a sample
  std::vector<std::uint16_t> values16;  // depth 16: one value a sample
  // One byte a pixel, non-zero where the pixel must keep its samples (not
  // fully opaque); empty when every pixel may change.
  std::vector<std::uint8_t> locked;
  // Set for a JPEG: its samples are the coefficients (depth 16, one
  // channel), not pixels.
  std::shared_ptr<const DctGrid> dct;

  std::size_t SampleCount() const { return std::size_t{width} * height * channels; }
  bool Locked(std::size_t pixel) const { return !locked.empty() && locked[pixel] != 0; }
};

// What reading a stealth file needs of the samples: the lowest bit of each,
// 64 to a word, the first sample in the lowest bit.
struct CoverLowBits {
  std::uint64_t samples = 0;
  std::uint8_t channels = 1;
  std::vector<std::uint64_t> bits;

  void Set(std::uint64_t sample, unsigned bit) { bits[sample >> 6] |= std::uint64_t{bit & 1u} << (sample & 63); }
};

// A word at a time: a 24-megapixel picture has 72 million samples.
inline CoverLowBits LowBitsOf(const CoverSamples& s) {
  CoverLowBits low{s.SampleCount(), s.channels, std::vector<std::uint64_t>((s.SampleCount() + 63) / 64)};
  for (std::size_t w = 0; w < low.bits.size(); ++w) {
    const std::uint64_t first = std::uint64_t{w} * 64, last = std::min<std::uint64_t>(first + 64, low.samples);
    std::uint64_t word = 0;
    if (s.depth == 16) {
      for (std::uint64_t i = first; i < last; ++i) word |= std::uint64_t{s.values16[i] & 1u} << (i - first);
    } else {
      for (std::uint64_t i = first; i < last; ++i) word |= std::uint64_t{s.values8[i] & 1u} << (i - first);
    }
    low.bits[w] = word;
  }
  return low;
}

}  // namespace veil::codec
