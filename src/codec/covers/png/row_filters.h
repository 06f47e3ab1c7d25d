#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/covers/png/png_chunk_map.h"

namespace veil::codec::png {

// The rows of one pass of the image data (the only one when not
// interlaced), with their bytes beside the filter byte. Passes with no
// pixels are left out, as they are from the stream.
struct PassShape {
  int pass = 0;  // 0-6 of Adam7; 0 when not interlaced
  std::uint32_t rows = 0;
  std::uint32_t columns = 0;
  std::uint64_t row_bytes = 0;
};
std::vector<PassShape> PassShapes(const PngHeader& header);

// The filtered rows' bytes, filter bytes included.
std::uint64_t FilteredImageBytes(const PngHeader& header);

// Filters row with PNG's filter type 0-4 against the row above it in its
// pass (zeros above the first), pixel_bytes apart: out gets row.size() bytes.
void FilterRow(std::uint8_t type, std::span<const std::uint8_t> row, std::span<const std::uint8_t> above,
               std::size_t pixel_bytes, std::uint8_t* out);

}  // namespace veil::codec::png
