#pragma once

#include <zlib.h>

#include <string>

#include "codec/covers/png/png_cover.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// zlib's deflate parameters.
struct DeflateSettings {
  int level = 6;
  int window_bits = 15;
  int mem_level = 8;
  int strategy = Z_DEFAULT_STRATEGY;
  // Whether compressing the cover's own rows with these settings gave its
  // compressed data back (all of it, or as far as it was tried).
  bool reproduces_cover = false;

  std::string Describe() const;
};

// The settings the cover's encoder most likely used: the first of zlib's
// usual ones (libpng's and zlib's defaults, each level the header's FLEVEL
// allows, the window it declares) that compresses the start of the cover's
// inflated data into the cover's own compressed bytes; when none does, the
// level the header declares. A new encoding with them, and the rows' own
// filters, gives the cover's image data back byte for byte when no sample
// changed, so that a rewritten picture does not tell which program wrote
// it last. Throws FileFailure.
DeflateSettings CoverDeflateSettings(RawFile& source, const PngCover& cover);

}  // namespace veil::codec::png
