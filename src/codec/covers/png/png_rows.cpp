#include "codec/covers/png/png_rows.h"

namespace veil::codec::png {

std::size_t RowBytes(const PngCover& cover) {
  const std::size_t per_pixel = (cover.samples.channels + (cover.HasAlpha() ? 1 : 0)) * (cover.samples.depth / 8);
  return per_pixel * cover.samples.width;
}

void SplitRow(const std::uint8_t* row, std::uint32_t y, PngCover& cover) {
  CoverSamples& s = cover.samples;
  const std::size_t first_pixel = std::size_t{y} * s.width;
  const bool alpha = cover.HasAlpha();
  const unsigned channels = s.channels;
  if (s.depth == 8) {
    std::uint8_t* out = s.values8.data() + first_pixel * channels;
    std::uint8_t* alpha_out = alpha ? cover.alpha8.data() + first_pixel : nullptr;
    for (std::uint32_t x = 0; x < s.width; ++x) {
      for (unsigned c = 0; c < channels; ++c) *out++ = *row++;
      if (alpha) *alpha_out++ = *row++;
    }
    return;
  }
  std::uint16_t* out = s.values16.data() + first_pixel * channels;
  std::uint16_t* alpha_out = alpha ? cover.alpha16.data() + first_pixel : nullptr;
  for (std::uint32_t x = 0; x < s.width; ++x) {
    for (unsigned c = 0; c < channels; ++c, row += 2) *out++ = static_cast<std::uint16_t>((row[0] << 8) | row[1]);
    if (alpha) {
      *alpha_out++ = static_cast<std::uint16_t>((row[0] << 8) | row[1]);
      row += 2;
    }
  }
}

void MergeRow(const PngCover& cover, std::uint32_t y, std::uint8_t* row) {
  const CoverSamples& s = cover.samples;
  const std::size_t first_pixel = std::size_t{y} * s.width;
  const bool alpha = cover.HasAlpha();
  const unsigned channels = s.channels;
  if (s.depth == 8) {
    const std::uint8_t* in = s.values8.data() + first_pixel * channels;
    const std::uint8_t* alpha_in = alpha ? cover.alpha8.data() + first_pixel : nullptr;
    for (std::uint32_t x = 0; x < s.width; ++x) {
      for (unsigned c = 0; c < channels; ++c) *row++ = *in++;
      if (alpha) *row++ = *alpha_in++;
    }
    return;
  }
  const std::uint16_t* in = s.values16.data() + first_pixel * channels;
  const std::uint16_t* alpha_in = alpha ? cover.alpha16.data() + first_pixel : nullptr;
  for (std::uint32_t x = 0; x < s.width; ++x) {
    for (unsigned c = 0; c < channels; ++c, ++in) {
      *row++ = static_cast<std::uint8_t>(*in >> 8);
      *row++ = static_cast<std::uint8_t>(*in);
    }
    if (alpha) {
      *row++ = static_cast<std::uint8_t>(*alpha_in >> 8);
      *row++ = static_cast<std::uint8_t>(*alpha_in++);
    }
  }
}

}  // namespace veil::codec::png
