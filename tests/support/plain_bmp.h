#pragma once

#include <cstddef>
#include <string>

#include "support/test_files.h"

namespace veil::test {

// A second, separately written reading of BMP headers, straight from the
// published field tables, for judging pictures other programs wrote: an
// ordinary picture is an uncompressed 24-bit BMP (BI_RGB, or BI_BITFIELDS
// outside OS/2 2.x) with a header of a size writers use, one plane, a
// positive width and a non-zero height, whose pixel rows start after the
// headers, masks and palette, end inside the file and share no byte with an
// embedded colour profile.
struct PlainBmp {
  bool ordinary = false;
  std::string why;         // when not ordinary
  std::size_t pixels = 0;  // first byte of the pixel rows
  std::size_t pixelsEnd = 0;
};

PlainBmp JudgePlainBmp(const Bytes& file);

}  // namespace veil::test
