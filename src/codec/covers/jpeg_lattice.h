#pragma once

#include <cstdint>

#include "codec/covers/cover_samples.h"

namespace veil::codec {

// Whether a grey picture's 8x8 blocks are a decoded JPEG's. Grey pixels are
// any values at all, but a decoded JPEG's blocks are the rounded inverse DCT
// of quantised coefficients: re-quantising a block's DCT with the steps the
// picture shows, and decoding it again, gives the block back exactly. A
// block of any other picture comes back so rarely (its coefficients lie
// anywhere between the steps) that a share of blocks coming back tells a
// decoded JPEG, on the JPEG's grid (wherever a crop put it) and on no other.
// Smooth blocks come back on any grid, and so do some of a picture that was
// downscaled from a JPEG: the other grids' count tells those apart. A
// change by one in a pixel of a block that comes back breaks it, which is
// what finds a stealth picture made from it.
struct JpegLattice {
  std::uint64_t blocks = 0;       // textured, unclipped blocks judged on the best grid
  std::uint64_t compatible = 0;   // of them, the ones a decoder gives back exactly
  std::uint64_t other_grids = 0;  // the most given back on any of the 63 other grids
  std::uint8_t row_offset = 0, column_offset = 0;  // the best grid's first block

  // Measured on grey photographs' 512 x 512 crops: decoded JPEGs of
  // qualities 70 to 95 give back up to 191 blocks on their grid and none on
  // any other; pictures downscaled by 2 or 3 give back none on any grid.
  bool WasJpeg() const { return compatible >= 4 && compatible >= 4 * (other_grids + 1); }
};

// Judges an 8-bit picture whose carrying pixels are all grey (one channel,
// or three equal ones); empty for any other.
JpegLattice ReadJpegLattice(const CoverSamples& samples);

}  // namespace veil::codec
