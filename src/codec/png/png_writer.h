#pragma once

#include "codec/png/png_cover.h"
#include "platform/raw_file.h"

namespace veil::codec::png {

// zlib's fastest level with the Sub filter alone: on a 24-megapixel photo
// it encodes in about a ninth of the time of level 6 with libpng's adaptive
// filters, for a file about a fifth larger (bench/png_speed.sh).
struct PngWriteOptions {
  int compression_level = 1;  // zlib's 0..9
  // libpng's filter choice for every row (PNG_FILTER_* bits, 0x10 is Sub);
  // 0 for libpng's own adaptive choice.
  int filters = 0x10;
};

// Writes the cover with its samples as they are now: the bytes before the
// IDAT run and after it are copied from source (the file the cover was read
// from, unchanged since), and the IDAT run in between is libpng's encoding
// of the pixels, interlaced as the cover was (so IHDR stays as it is) and
// split into chunks of the length of the cover's first IDAT chunk. out
// must be empty; it is written front to back. Throws FileFailure when a file
// fails or source has changed.
void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, const PngWriteOptions& options = {});

}  // namespace veil::codec::png
