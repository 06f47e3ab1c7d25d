#include "codec/covers/jpeg_traces.h"

#include <algorithm>
#include <vector>

namespace veil::codec {
namespace {

// One bit a colour (r << 16 | g << 8 | b): whether libjpeg's YCbCr-to-RGB
// conversion gives it, for some Y, Cb and Cr, by its own fixed-point
// arithmetic (16 fractional bits, rounded, then clamped to 0..255); its
// SIMD paths give the same.
class DecodableColours {
 public:
  DecodableColours() : bits_((1u << 24) / 64) {
    constexpr long kScale = 16, kHalf = 1L << (kScale - 1);
    auto fix = [](double x) { return static_cast<long>(x * (1L << kScale) + 0.5); };
    for (int cr = 0; cr < 256; ++cr) {
      const long x_cr = cr - 128;
      const long red = (fix(1.40200) * x_cr + kHalf) >> kScale;
      const long green_cr = -fix(0.71414) * x_cr;
      for (int cb = 0; cb < 256; ++cb) {
        const long x_cb = cb - 128;
        const long blue = (fix(1.77200) * x_cb + kHalf) >> kScale;
        const long green = (green_cr + (-fix(0.34414) * x_cb + kHalf)) >> kScale;
        for (long y = 0; y < 256; ++y) {
          const auto r = static_cast<std::uint32_t>(std::clamp(y + red, 0L, 255L));
          const auto g = static_cast<std::uint32_t>(std::clamp(y + green, 0L, 255L));
          const auto b = static_cast<std::uint32_t>(std::clamp(y + blue, 0L, 255L));
          const std::uint32_t colour = r << 16 | g << 8 | b;
          bits_[colour >> 6] |= std::uint64_t{1} << (colour & 63);
        }
      }
    }
  }
  bool Has(std::uint32_t colour) const { return (bits_[colour >> 6] >> (colour & 63)) & 1; }

 private:
  std::vector<std::uint64_t> bits_;
};

bool Saturated(std::uint8_t value) { return value == 0 || value == 255; }

}  // namespace

JpegTraces ReadJpegTraces(const CoverSamples& samples) {
  JpegTraces traces;
  traces.lattice = ReadJpegLattice(samples);
  if (samples.channels != 3 || samples.depth != 8 || samples.dct) return traces;
  static const DecodableColours decodable;
  std::vector<std::uint64_t> seen((1u << 24) / 64);
  const std::uint64_t pixels = std::uint64_t{samples.width} * samples.height;
  const std::uint8_t* p = samples.values8.data();
  for (std::uint64_t i = 0; i < pixels; ++i, p += 3) {
    if ((p[0] == p[1] && p[1] == p[2]) || Saturated(p[0]) || Saturated(p[1]) || Saturated(p[2]) || samples.Locked(i))
      continue;
    ++traces.colour_pixels;
    const std::uint32_t colour = std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    traces.outside += !decodable.Has(colour);
    std::uint64_t& word = seen[colour >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (colour & 63);
    traces.distinct += (word & bit) == 0;
    word |= bit;
  }
  return traces;
}

}  // namespace veil::codec
