#pragma once

#include "codec/covers/png/png_cover.h"
#include "codec/covers/sample_cover.h"

namespace veil::codec {

// A PNG's samples (8- or 16-bit grey or colour; alpha and pixels that are
// not opaque stay as they are). Its image data is compressed, so it is only
// ever written whole, as a new file: every chunk but IDAT as the cover had
// it, and new IDAT chunks in their place.
class PngSampleCover final : public SampleCover {
 public:
  PngSampleCover(RawFile& file, png::PngCover cover);
  CoverSamples& samples() override { return cover_.samples; }
  // copy must be given: a PNG is not rewritten in place. Throws FileFailure.
  void Write(RawFile& copy, RunProgress* progress = nullptr) override;

 private:
  RawFile& file_;
  png::PngCover cover_;
};

}  // namespace veil::codec
