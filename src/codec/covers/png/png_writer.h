#pragma once

#include <zlib.h>

#include "codec/covers/png/png_cover.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// zlib's run-length strategy with the Average filter on every row: on
// 24-megapixel pictures it encodes in 0.74-0.78 s, against 0.83-0.96 s for
// zlib's fastest level with the Sub filter, and the file comes out 7% larger
// than ImageMagick's encoding of a photo instead of 35% (bench/png_speed.sh).
struct PngWriteOptions {
  int compression_level = 1;  // zlib's 0..9
  // libpng's filter choice for every row (PNG_FILTER_* bits, 0x10 is Sub,
  // 0x40 Average); 0 for libpng's own adaptive choice.
  int filters = 0x40;
  int strategy = Z_RLE;  // zlib's Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY or Z_RLE
};

// Writes the cover with its samples as they are now: the bytes before the
// IDAT run and after it are copied from source (the file the cover was read
// from, unchanged since), and the IDAT run in between is libpng's encoding
// of the pixels, interlaced as the cover was (so IHDR stays as it is) and
// split into chunks of the lengths of the cover's own IDAT chunks. out
// must be empty; it is written front to back. Throws FileFailure when a file
// fails or source has changed.
void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, const PngWriteOptions& options = {});

}  // namespace veil::codec::png
