#pragma once

#include <cstdint>

#include "codec/covers/png/png_cover.h"

namespace veil::codec::png {

// One row as libpng hands it over and takes it: samples side by side, alpha
// last in each pixel, 16-bit samples most significant byte first.
std::size_t RowBytes(const PngCover& cover);
void SplitRow(const std::uint8_t* row, std::uint32_t y, PngCover& cover);
void MergeRow(const PngCover& cover, std::uint32_t y, std::uint8_t* row);

}  // namespace veil::codec::png
