#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veil::codec {

// The samples of a picture that a stealth hiding may change, whatever kind of
// file they came from: rows top to bottom, left to right, the carrying
// samples of a pixel side by side. Alpha is never among them.
struct CoverSamples {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t channels = 0;  // carrying samples a pixel: 1 (grey) or 3 (colour)
  std::uint8_t depth = 8;     // bits a sample: 8 or 16
  std::vector<std::uint8_t> values8;    // depth 8: one byte a sample
  std::vector<std::uint16_t> values16;  // depth 16: one value a sample
  // One byte a pixel, non-zero where the pixel must keep its samples (not
  // fully opaque); empty when every pixel may change.
  std::vector<std::uint8_t> locked;

  std::size_t SampleCount() const { return std::size_t{width} * height * channels; }
  bool Locked(std::size_t pixel) const { return !locked.empty() && locked[pixel] != 0; }
};

}  // namespace veil::codec
