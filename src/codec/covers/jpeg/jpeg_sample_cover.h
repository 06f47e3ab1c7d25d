#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/covers/jpeg/jpeg_coefficients.h"
#include "codec/covers/jpeg/jpeg_layout.h"
#include "codec/covers/sample_cover.h"

namespace veil::codec {

// A JPEG's quantised DCT coefficients as samples: a change is a
// coefficient's by one, never a pixel's. Written back, the file keeps
// every byte before its first scan (markers, EXIF, ICC, quantisation
// tables) and after its end, and its scans are coded anew in the same
// order and mode; the new file is decoded once more and must give back
// exactly these coefficients.
class JpegSampleCover final : public SampleCover {
 public:
  JpegSampleCover(std::vector<std::uint8_t> file, jpeg::Layout layout, jpeg::Coefficients coefficients);
  CoverSamples& samples() override { return samples_; }
  // Throws FileFailure, also when libjpeg cannot code the coefficients.
  void Write(RawFile& copy, RunProgress* progress = nullptr) override;

  // The file as Write would put it, in memory.
  std::vector<std::uint8_t> Encode(RunProgress* progress = nullptr) const;

 private:
  std::vector<std::uint8_t> file_;
  jpeg::Layout layout_;
  CoverSamples samples_;
};

// A JPEG read as a cover, or why it is none; damaged when it does not hold
// up as a JPEG. Throws FileFailure when it cannot be read.
struct JpegCoverReading {
  std::unique_ptr<JpegSampleCover> cover;
  std::string refusal;
  bool damaged = false;
};
JpegCoverReading ReadJpegCover(RawFile& picture, RunProgress* progress = nullptr);

}  // namespace veil::codec
