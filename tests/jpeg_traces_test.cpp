// Pictures that were JPEGs, told by their colours: a libjpeg decoding saved
// as BMP is found at any chroma subsampling and quality, cropped or not,
// and refused as a stealth cover; the same pixels changed by one here and
// there, averaged down, or noise are not.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "codec/covers/jpeg_traces.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "support/jpeg_test_files.h"

namespace veil::test {
namespace {

// 8-bit samples, three a pixel (colour) unless told one (grey).
codec::CoverSamples Samples(std::uint32_t width, std::uint32_t height, const Bytes& values,
                            std::uint8_t channels = 3) {
  codec::CoverSamples samples;
  samples.width = width;
  samples.height = height;
  samples.channels = channels;
  samples.values8 = values;
  return samples;
}

DecodedJpeg Decoded(int h, int v, int quality, std::uint32_t seed) {
  JpegShape shape;
  shape.width = 256;
  shape.height = 192;
  shape.h_sampling = h;
  shape.v_sampling = v;
  shape.quality = quality;
  shape.seed = seed;
  return DecodeJpegPixels(EncodeJpeg(shape));
}

TEST(JpegTraces, ADecodedJpegIsFoundAndWhatIsNoneIsNot) {
  for (const auto& [h, v, quality] : {std::tuple{1, 1, 95}, {2, 1, 85}, {2, 2, 75}, {2, 2, 50}}) {
    SCOPED_TRACE(::testing::Message() << h << "x" << v << " at quality " << quality);
    const DecodedJpeg decoded = Decoded(h, v, quality, static_cast<std::uint32_t>(quality));
    const auto traces = codec::ReadJpegTraces(Samples(decoded.width, decoded.height, decoded.pixels));
    EXPECT_TRUE(traces.WasJpeg()) << traces.outside << " of " << traces.colour_pixels;
    EXPECT_EQ(traces.outside, 0u);

    // Cropped off the 8x8 grid: still every colour a decoder's.
    Bytes crop;
    for (std::uint32_t y = 3; y < 150; ++y)
      crop.insert(crop.end(), decoded.pixels.begin() + (y * 256 + 5) * 3, decoded.pixels.begin() + (y * 256 + 205) * 3);
    EXPECT_TRUE(codec::ReadJpegTraces(Samples(200, 147, crop)).WasJpeg());

    // One channel of one pixel in a hundred changed by one: what a hide
    // does, and what the check must see.
    Bytes changed = decoded.pixels;
    std::mt19937 random(7);
    for (std::size_t i = 0; i < changed.size() / 300; ++i) {
      const std::size_t at = random() % changed.size();
      changed[at] = static_cast<std::uint8_t>(changed[at] == 255 ? 254 : changed[at] + 1);
    }
    EXPECT_FALSE(codec::ReadJpegTraces(Samples(decoded.width, decoded.height, changed)).WasJpeg());

    // Downscaled by 2 (the mean of each 2x2 square): colours of its own.
    Bytes half;
    for (std::uint32_t y = 0; y < 96; ++y)
      for (std::uint32_t x = 0; x < 128; ++x)
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int d = 0; d < 4; ++d)
            sum += decoded.pixels[((2 * y + d / 2) * 256 + 2 * x + d % 2) * 3 + static_cast<std::size_t>(c)];
          half.push_back(static_cast<std::uint8_t>((sum + 2) / 4));
        }
    EXPECT_FALSE(codec::ReadJpegTraces(Samples(128, 96, half)).WasJpeg());
  }
  EXPECT_FALSE(codec::ReadJpegTraces(Samples(256, 192, RandomBytes(256 * 192 * 3, 2))).WasJpeg());
  // Grey and saturated pixels prove nothing by their colours: a grey
  // picture is judged by its blocks instead, and a ramp was no JPEG.
  Bytes grey(256 * 192 * 3);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>((i / 3) % 251);
  const auto grey_traces = codec::ReadJpegTraces(Samples(256, 192, grey));
  EXPECT_EQ(grey_traces.colour_pixels, 0u);
  EXPECT_FALSE(grey_traces.WasJpeg());
}

codec::CoverSamples GreySamples(std::uint32_t width, std::uint32_t height, const Bytes& grey) {
  return Samples(width, height, grey, 1);
}

Bytes Crop(const Bytes& grey, std::uint32_t width, std::uint32_t left, std::uint32_t top, std::uint32_t w,
           std::uint32_t h) {
  Bytes out;
  for (std::uint32_t y = top; y < top + h; ++y)
    out.insert(out.end(), grey.begin() + y * width + left, grey.begin() + y * width + left + w);
  return out;
}

// Grey pictures: a libjpeg decoding is found by its blocks at any quality
// and on its grid wherever a crop put it, as one channel or as three equal
// ones; pixels changed by one here and there, averaged down, or noise are
// not.
TEST(JpegLattice, ADecodedGreyJpegIsFoundByItsBlocks) {
  for (const int quality : {50, 75, 90, 95}) {
    SCOPED_TRACE(::testing::Message() << "quality " << quality);
    JpegShape shape;
    shape.width = 256;
    shape.height = 192;
    shape.components = 1;
    shape.quality = quality;
    shape.seed = static_cast<std::uint32_t>(quality);
    const DecodedJpeg decoded = DecodeJpegPixels(EncodeJpeg(shape));
    ASSERT_EQ(decoded.components, 1);
    const auto whole = codec::ReadJpegLattice(GreySamples(256, 192, decoded.pixels));
    EXPECT_TRUE(whole.WasJpeg()) << whole.compatible << " of " << whole.blocks << ", " << whole.other_grids;
    EXPECT_EQ(whole.row_offset, 0);
    EXPECT_EQ(whole.column_offset, 0);

    const auto crop = codec::ReadJpegLattice(GreySamples(200, 150, Crop(decoded.pixels, 256, 5, 3, 200, 150)));
    EXPECT_TRUE(crop.WasJpeg()) << crop.compatible << " of " << crop.blocks;
    EXPECT_EQ(crop.row_offset, 5);  // the JPEG's grid: row 8 is row 5 of the crop
    EXPECT_EQ(crop.column_offset, 3);

    Bytes rgb;
    for (std::uint8_t v : decoded.pixels) rgb.insert(rgb.end(), {v, v, v});
    EXPECT_TRUE(codec::ReadJpegTraces(Samples(256, 192, rgb)).WasJpeg());

    Bytes changed = decoded.pixels;
    std::mt19937 random(7);
    for (std::size_t i = 0; i < changed.size() / 16; ++i) {
      const std::size_t at = random() % changed.size();
      changed[at] = static_cast<std::uint8_t>(changed[at] == 255 ? 254 : changed[at] + 1);
    }
    const auto after = codec::ReadJpegLattice(GreySamples(256, 192, changed));
    EXPECT_LT(after.compatible * 4, whole.compatible + 4) << after.compatible << " of " << after.blocks;

    Bytes half;
    for (std::uint32_t y = 0; y < 96; ++y)
      for (std::uint32_t x = 0; x < 128; ++x) {
        int sum = 0;
        for (int d = 0; d < 4; ++d) sum += decoded.pixels[(2 * y + d / 2) * 256 + 2 * x + d % 2];
        half.push_back(static_cast<std::uint8_t>((sum + 2) / 4));
      }
    EXPECT_FALSE(codec::ReadJpegLattice(GreySamples(128, 96, half)).WasJpeg());
  }
  EXPECT_FALSE(codec::ReadJpegLattice(GreySamples(256, 192, RandomBytes(256 * 192, 2))).WasJpeg());
  // Colour pictures are the colours' to judge.
  EXPECT_EQ(codec::ReadJpegLattice(Samples(256, 192, RandomBytes(256 * 192 * 3, 3))).blocks, 0u);
}

TEST(JpegTraces, AStealthHideRefusesADecodedJpegUnlessAllowed) {
  const DecodedJpeg decoded = Decoded(2, 2, 85, 3);
  const Bytes bmp = MakeBmpOfSamples(decoded.width, decoded.height, decoded.pixels);
  MemoryFile cover(std::make_shared<Bytes>(bmp));
  MemoryFile payload(std::make_shared<Bytes>(RandomBytes(40, 1)));
  auto copy_bytes = std::make_shared<Bytes>();
  MemoryFile copy(copy_bytes);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "pass"};
  request.costs = {1, 8};
  codec::RunObserver observer;
  const auto refused = codec::HideStealth(request, observer);
  EXPECT_EQ(refused.status, codec::RunStatus::kWasJpeg);
  EXPECT_EQ(refused.traces.outside, 0u);
  EXPECT_TRUE(copy_bytes->empty());
  EXPECT_TRUE(codec::MeasureStealthCapacity(cover).traces.WasJpeg());

  request.allow_decoded_jpeg = true;
  ASSERT_TRUE(codec::HideStealth(request, observer).ok());
  MemoryFile stealth(copy_bytes);
  // What a hide leaves shows: the same check finds colours no decoder gives.
  EXPECT_GT(codec::MeasureStealthCapacity(stealth).traces.outside, 0u);
}

}  // namespace
}  // namespace veil::test
