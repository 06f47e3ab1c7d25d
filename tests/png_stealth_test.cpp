// The stealth form in PNG covers of every colour type and depth: a file
// hidden and found again, every chunk but the image data kept byte for byte,
// and no pixel changed but by one in a colour sample of an opaque pixel.
#include <gtest/gtest.h>

#include <memory>

#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "support/png_test_files.h"

namespace veil::test {
namespace {

constexpr codec::stealth::KdfCosts kQuick{1, 8};

struct Shape {
  int colour_type, depth;
  bool interlaced;
};
class PngStealth : public ::testing::TestWithParam<Shape> {};

TEST_P(PngStealth, HidesAndFindsAFileChangingOnlyOpaqueColourSamplesByOne) {
  const Shape shape = GetParam();
  Bytes png = EncodePng(MakeTestPicture(256, 192, shape.colour_type, shape.depth, shape.interlaced, 21));
  png = InsertChunk(png, "IDAT", PngChunk("vpAg", RandomBytes(200, 5)));
  png = InsertChunk(png, "IEND", PngChunk("tEXt", {'K', 0, 'v'}));
  auto cover_bytes = std::make_shared<Bytes>(png);
  MemoryFile cover(cover_bytes);

  const auto capacity = codec::MeasureStealthCapacity(cover, codec::stealth::kDefaultMaxRate);
  ASSERT_EQ(capacity.refusal, "");
  ASSERT_GT(capacity.largest_file, 40u);
  const Bytes secret = RandomBytes(static_cast<std::size_t>(capacity.largest_file), 8);
  MemoryFile payload(std::make_shared<Bytes>(secret));
  auto copy_bytes = std::make_shared<Bytes>();
  MemoryFile copy(copy_bytes);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "pass"};
  request.costs = kQuick;
  codec::RunObserver observer;
  const codec::RunResult hidden = codec::HideStealth(request, observer);
  ASSERT_TRUE(hidden.ok()) << static_cast<int>(hidden.status);
  EXPECT_EQ(*cover_bytes, png) << "the cover was written";

  EXPECT_EQ(WithoutIdat(*copy_bytes), WithoutIdat(png));
  const RawPicture before = DecodeRaw(png), after = DecodeRaw(*copy_bytes);
  EXPECT_EQ(after.interlace, before.interlace);
  ASSERT_EQ(after.rows.size(), before.rows.size());
  const int bytes = shape.depth / 8;
  const int channels = shape.colour_type == 0 ? 1 : shape.colour_type == 4 ? 2 : shape.colour_type == 2 ? 3 : 4;
  const bool alpha = shape.colour_type == 4 || shape.colour_type == 6;
  const unsigned full = shape.depth == 8 ? 0xFF : 0xFFFF;
  std::size_t changed = 0;
  for (std::size_t k = 0; k < before.rows.size() / bytes; ++k) {
    auto at = [&](const Bytes& rows, std::size_t i) -> unsigned {
      return bytes == 1 ? rows[i] : (rows[2 * i] << 8) | rows[2 * i + 1];
    };
    const unsigned a = at(before.rows, k), b = at(after.rows, k);
    if (a == b) continue;
    ++changed;
    const std::size_t pixel = k / channels;
    ASSERT_LE(a > b ? a - b : b - a, 1u) << "sample " << k;
    if (alpha) {
      ASSERT_NE(k % channels, std::size_t(channels - 1)) << "an alpha sample changed";
      ASSERT_EQ(at(before.rows, pixel * channels + channels - 1), full) << "a pixel that is not opaque changed";
    }
  }
  EXPECT_GT(changed, 0u);

  MemoryFile stealth_picture(copy_bytes);
  const codec::OpenedStealth opened = codec::OpenStealth({stealth_picture, "pass", kQuick}, observer);
  ASSERT_TRUE(opened.result.ok());
  EXPECT_EQ(opened.file, secret);
  EXPECT_EQ(opened.extension, "bin");
  EXPECT_EQ(codec::OpenStealth({stealth_picture, "wrong", kQuick}, observer).result.status,
            codec::RunStatus::kNoStealthFile);
  // The clean cover holds nothing.
  EXPECT_EQ(codec::OpenStealth({cover, "pass", kQuick}, observer).result.status, codec::RunStatus::kNoStealthFile);
}

INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, PngStealth,
                         ::testing::Values(Shape{0, 8, false}, Shape{0, 16, false}, Shape{2, 8, false},
                                           Shape{2, 16, false}, Shape{4, 8, false}, Shape{4, 16, false},
                                           Shape{6, 8, false}, Shape{6, 16, false}, Shape{2, 8, true},
                                           Shape{6, 16, true}));

// Damage any decoder shows is named, not taken for a wrong password.
TEST(PngStealthCover, ADamagedStealthPictureIsCalledDamaged) {
  const Bytes png = EncodePng(MakeTestPicture(160, 120, 2, 8, false, 3));
  MemoryFile cover(std::make_shared<Bytes>(png));
  MemoryFile payload(std::make_shared<Bytes>(RandomBytes(50, 1)));
  auto copy_bytes = std::make_shared<Bytes>();
  MemoryFile copy(copy_bytes);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "pass"};
  request.costs = kQuick;
  codec::RunObserver observer;
  ASSERT_TRUE(codec::HideStealth(request, observer).ok());
  const Bytes made = *copy_bytes;
  MemoryFile picture(copy_bytes);
  ASSERT_TRUE(codec::OpenStealth({picture, "pass", kQuick}, observer).result.ok());

  auto flipped = std::make_shared<Bytes>(made);
  (*flipped)[ListChunks(made)[1].offset + 30] ^= 4;
  MemoryFile damaged(flipped);
  const auto opened = codec::OpenStealth({damaged, "pass", kQuick}, observer);
  EXPECT_EQ(opened.result.status, codec::RunStatus::kCoverDamaged);
  EXPECT_NE(opened.result.refusal.find("damaged"), std::string::npos) << opened.result.refusal;
  EXPECT_TRUE(opened.file.empty());

  auto cut = std::make_shared<Bytes>(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(made.size() / 2));
  MemoryFile short_file(cut);
  const auto from_cut = codec::OpenStealth({short_file, "pass", kQuick}, observer);
  EXPECT_EQ(from_cut.result.status, codec::RunStatus::kCoverDamaged);
  EXPECT_NE(from_cut.result.refusal.find("cut short"), std::string::npos) << from_cut.result.refusal;
}

}  // namespace
}  // namespace veil::test
