#pragma once

#include "codec/progress/run_progress.h"

#include <variant>

#include "codec/covers/png/png_cover.h"
#include "codec/covers/png/png_limits.h"
#include "codec/covers/png/png_refusal.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// Decodes a PNG cover with libpng: 8- and 16-bit grey, grey+alpha, RGB and
// RGBA, interlaced or not. A pixel is locked where its alpha is not full,
// and, in a picture with a tRNS colour, where every sample lies within 1 of
// that colour (a change of 1 could make it transparent, or opaque). Palette
// pictures, grey below 8 bits, damaged and oversized files are refused with
// the reason; memory stays within the decoded picture and a row.
std::variant<PngCover, PngRefusal> ReadPngCover(RawFile& file, const PngLimits& limits = {},
                                                RunProgress* progress = nullptr);

// The lowest bit of each of the cover's samples, with the same refusals:
// a picture that is not interlaced is read a row at a time, and only the
// bits stay (an 8192 x 8192 16-bit RGBA picture: 24 MiB, not 512).
std::variant<CoverLowBits, PngRefusal> ReadPngLowBits(RawFile& file, const PngLimits& limits = {},
                                                      RunProgress* progress = nullptr);

}  // namespace veil::codec::png
