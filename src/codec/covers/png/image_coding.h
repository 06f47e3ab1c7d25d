#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace veil::codec::png {

// How the cover's encoder coded its image data, as far as a new encoding
// can follow it: the filter type of each row in the stream's order (pass by
// pass when interlaced), and the compressed stream's two header bytes.
struct PngImageCoding {
  std::vector<std::uint8_t> row_filters;
  std::array<std::uint8_t, 2> zlib_header{};
};

}  // namespace veil::codec::png
