#pragma once

#include <cstdint>
#include <vector>

#include "codec/covers/cover_samples.h"
#include "codec/covers/png/image_coding.h"
#include "codec/covers/png/png_chunk_map.h"

namespace veil::codec::png {

// A decoded PNG cover: the samples a hiding may change, the alpha it must
// keep, and where the file's image data lies so that a copy can keep every
// other byte.
struct PngCover {
  CoverSamples samples;
  // One alpha value a pixel for the colour types with alpha, at the
  // picture's depth; empty otherwise.
  std::vector<std::uint8_t> alpha8;
  std::vector<std::uint16_t> alpha16;
  PngChunkMap chunks;
  PngImageCoding coding;

  bool HasAlpha() const { return chunks.header.colour_type == 4 || chunks.header.colour_type == 6; }
};

}  // namespace veil::codec::png
