#pragma once

#include "codec/covers/bmp_layout.h"
#include "codec/covers/sample_cover.h"

namespace veil::codec {

// A 24-bit BMP's pixel array as samples: rows top to bottom whatever the
// file's order, red, green and blue (the file stores blue first). The
// headers, palette, row padding, profile and trailing bytes are never
// touched; in place, only rows with a changed sample are written.
class BmpCover final : public SampleCover {
 public:
  // Reads the pixel array the layout declares. Throws FileFailure.
  BmpCover(RawFile& file, const carrier::BmpLayout& layout, RunProgress* progress = nullptr);
  CoverSamples& samples() override { return samples_; }
  std::uint32_t ReservedWords() const override { return reserved_; }
  void Write(RawFile& copy, RunProgress* progress = nullptr) override;

 private:
  // Rows [first, first + count) as stored, in one buffer.
  void ReadRows(std::uint64_t first, std::uint64_t count, std::vector<std::uint8_t>& buffer);
  // Puts the samples of stored row r over its bytes; true when a byte changed.
  void Overlay(std::uint64_t r, std::uint8_t* row) const;

  RawFile& file_;
  carrier::BmpLayout layout_;
  CoverSamples samples_;
  std::uint32_t reserved_ = 0;
};

}  // namespace veil::codec
