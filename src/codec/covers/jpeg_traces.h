#pragma once

#include <cstdint>

#include "codec/covers/cover_samples.h"
#include "codec/covers/jpeg_lattice.h"

namespace veil::codec {

// Whether a picture's pixels are a decoded JPEG's. libjpeg turns each
// pixel's Y, Cb and Cr into RGB by fixed tables, and only about a quarter of
// all RGB colours come out of them: a decoded JPEG, saved as BMP or PNG at
// its own size (cropped or not), holds no other colour, and a change by one
// in a channel mostly makes one. A picture whose colour pixels all lie in
// that set was a JPEG, and a stealth hide in it is found by that alone.
// Grey pixels (all channels equal) are in the set whatever made them, and so
// is nearly every colour with a channel at 0 or 255 (the conversion clamps
// there): neither is counted. Grey pictures are judged by their blocks'
// lattice instead.
struct JpegTraces {
  std::uint64_t colour_pixels = 0;  // carrying pixels of unequal channels, none at 0 or 255
  std::uint64_t outside = 0;        // of them, colours no YCbCr decoding gives
  std::uint64_t distinct = 0;       // distinct colours among them
  JpegLattice lattice;              // a grey picture's blocks

  // At least 64 distinct colours, and not one pixel in 2,000 outside the
  // set: by chance, 64 colours would all fall in it once in 10^40. (Pictures
  // that never were JPEGs, downscaled photographs among them, have 6% and
  // more of their pixels outside; decoded ones none.)
  bool ColoursWereJpeg() const { return distinct >= 64 && outside * 2000 <= colour_pixels; }
  bool WasJpeg() const { return ColoursWereJpeg() || lattice.WasJpeg(); }
};

// Counts 8-bit colour pictures' pixels, and judges grey ones' blocks;
// empty for 16-bit ones.
JpegTraces ReadJpegTraces(const CoverSamples& samples);

}  // namespace veil::codec
