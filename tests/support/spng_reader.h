#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace veil::test {

// A PNG as libspng, a reader written apart from libpng, decodes it: every
// chunk to IEND with its checksum checked, the image data to raw samples
// without transformations (no tRNS, gamma or palette expansion).
struct SpngPicture {
  bool decoded = false;
  std::string error;  // when not decoded
  std::uint32_t width = 0, height = 0;
  int colour_type = 0, depth = 0, interlace = 0;
  int channels = 0;  // stored channels a pixel, alpha included
  // Depth 8 or 16: every stored sample, pixel by pixel, rows top to bottom
  // (Adam7 pictures deinterlaced). Empty for other depths.
  std::vector<std::uint16_t> samples;
};

// Pictures of more than max_bytes decoded are not decoded (error says so).
SpngPicture DecodeWithSpng(const Bytes& png, std::uint64_t max_bytes);

}  // namespace veil::test
