#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "files/raw_file.h"

namespace veil::preview {

// A small picture: width x height pixels, rows top to bottom, 3 bytes a
// pixel in the order red, green, blue.
struct Thumbnail {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// A thumbnail of an uncompressed 24-bit BMP of at most max_width x
// max_height pixels, with the picture's proportions, sampled straight from
// the file: only the rows it shows are read, so time and memory stay bounded
// however large the picture is. Nothing when the header does not describe
// such a picture, or when the pixel data it promises does not lie inside the
// file. Throws FileFailure when the file cannot be read.
std::optional<Thumbnail> ReadThumbnail(RawFile& file, int max_width, int max_height);
// The same for the picture at path; nothing, too, when it cannot be read.
std::optional<Thumbnail> ReadThumbnail(const std::string& path, int max_width, int max_height);

}  // namespace veil::preview
