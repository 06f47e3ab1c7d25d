#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace veil::test {

// A JPEG as libjpeg's own compressor writes it, from a textured picture
// (noise over gradients, different in every channel).
struct JpegShape {
  std::uint32_t width = 320, height = 240;
  int components = 3;                  // 1 grey, 3 YCbCr, 4 CMYK
  int h_sampling = 2, v_sampling = 2;  // the first component's; the others 1x1
  int quality = 85;
  bool progressive = false;
  bool optimize = false;
  bool arithmetic = false;
  unsigned restart_rows = 0;
  double flat_share = 0;  // the share of rows, from the top, of one flat colour

  std::uint32_t seed = 1;
};
Bytes EncodeJpeg(const JpegShape& shape);

// A marker segment with its length field.
Bytes JpegSegment(std::uint8_t marker, const Bytes& body);
// Inserts segment just after SOI (and after a JFIF APP0 when there is one).
Bytes InsertAfterSoi(const Bytes& jpeg, const Bytes& segment);
// The bytes before the first SOS marker.
Bytes BeforeFirstScan(const Bytes& jpeg);

// The pixels as libjpeg decodes them (its defaults: fancy upsampling, the
// integer IDCT), RGB or grey, row by row.
struct DecodedJpeg {
  std::uint32_t width = 0, height = 0;
  int components = 3;
  Bytes pixels;
};
DecodedJpeg DecodeJpegPixels(const Bytes& jpeg);

// The quantised coefficients as libjpeg reads them: every component's blocks
// in order, 64 a block, natural order.
std::vector<int> DecodeJpegCoefficients(const Bytes& jpeg);

}  // namespace veil::test
