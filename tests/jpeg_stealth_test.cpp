// The stealth form in JPEG covers: a file hidden in the coefficients and
// found again, nothing but coefficients changed and each by one, what
// inspect promises delivered, and damage named as damage.
#include <gtest/gtest.h>

#include <memory>

#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "support/jpeg_test_files.h"

namespace veil::test {
namespace {

constexpr codec::stealth::KdfCosts kQuick{1, 8};

struct Hidden {
  codec::RunResult result;
  Bytes picture;
};

Hidden Hide(const Bytes& jpeg, const Bytes& secret, std::optional<double> rate = {}) {
  MemoryFile cover(std::make_shared<Bytes>(jpeg));
  MemoryFile payload(std::make_shared<Bytes>(secret));
  auto copy_bytes = std::make_shared<Bytes>();
  MemoryFile copy(copy_bytes);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "pass"};
  request.costs = kQuick;
  request.max_rate = rate;
  codec::RunObserver observer;
  Hidden hidden{codec::HideStealth(request, observer), *copy_bytes};
  return hidden;
}

codec::OpenedStealth Open(const Bytes& picture, const std::string& password) {
  MemoryFile file(std::make_shared<Bytes>(picture));
  codec::RunObserver observer;
  return codec::OpenStealth({file, password, kQuick}, observer);
}

class JpegStealth : public ::testing::TestWithParam<JpegShape> {};

TEST_P(JpegStealth, HidesAsMuchAsPromisedChangingCoefficientsByOneAndNothingElse) {
  Bytes jpeg = EncodeJpeg(GetParam());
  jpeg = InsertAfterSoi(jpeg, JpegSegment(0xE1, RandomBytes(500, 2)));
  MemoryFile cover(std::make_shared<Bytes>(jpeg));
  const auto capacity = codec::MeasureStealthCapacity(cover);
  ASSERT_EQ(capacity.refusal, "");
  ASSERT_TRUE(capacity.coefficients);
  EXPECT_EQ(capacity.rate, codec::stealth::kDefaultJpegMaxRate);
  ASSERT_GT(capacity.largest_file, 100u);
  const Bytes secret = RandomBytes(static_cast<std::size_t>(capacity.largest_file), 8);
  const Hidden hidden = Hide(jpeg, secret);
  ASSERT_TRUE(hidden.result.ok()) << static_cast<int>(hidden.result.status);

  // Nothing before the first scan but the Huffman tables may differ; the
  // cover's own markers are there byte for byte.
  const Bytes head = BeforeFirstScan(hidden.picture), cover_head = BeforeFirstScan(jpeg);
  EXPECT_TRUE(std::search(head.begin(), head.end(), cover_head.begin() + 2, cover_head.begin() + 506) != head.end());
  const auto before = DecodeJpegCoefficients(jpeg), after = DecodeJpegCoefficients(hidden.picture);
  ASSERT_EQ(before.size(), after.size());
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    ASSERT_LE(std::abs(before[i] - after[i]), 1) << "coefficient " << i;
    changed += before[i] != after[i];
  }
  EXPECT_GT(changed, 0u);
  EXPECT_LT(changed, 8 * secret.size() + 8 * 77) << "more changes than bits";

  const auto opened = Open(hidden.picture, "pass");
  ASSERT_TRUE(opened.result.ok());
  EXPECT_EQ(opened.file, secret);
  EXPECT_EQ(opened.extension, "bin");
  EXPECT_EQ(Open(hidden.picture, "wrong").result.status, codec::RunStatus::kNoStealthFile);
  EXPECT_EQ(Open(jpeg, "pass").result.status, codec::RunStatus::kNoStealthFile);

  // One byte more than promised is refused before any key is derived.
  const Hidden too_much = Hide(jpeg, RandomBytes(secret.size() + 1, 9));
  EXPECT_EQ(too_much.result.status, codec::RunStatus::kTooLarge);
  EXPECT_EQ(too_much.result.capacity, capacity.largest_file);
  EXPECT_TRUE(too_much.picture.empty());
}

JpegShape Shape(int components, bool progressive, bool optimize, int h, int v, int quality) {
  JpegShape shape;
  shape.width = 512;
  shape.height = 384;
  shape.components = components;
  shape.progressive = progressive;
  shape.optimize = optimize;
  shape.h_sampling = h;
  shape.v_sampling = v;
  shape.quality = quality;
  return shape;
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegStealth,
                         ::testing::Values(Shape(3, false, false, 2, 2, 85), Shape(3, false, true, 2, 1, 75),
                                           Shape(3, true, false, 2, 2, 90), Shape(1, false, false, 1, 1, 80),
                                           Shape(1, true, false, 1, 1, 95), Shape(3, false, false, 1, 1, 70)),
                         [](const auto& info) {
                           const JpegShape& s = info.param;
                           return std::string(s.components == 1 ? "grey" : "colour") +
                                  (s.progressive ? "_progressive" : "_baseline") + (s.optimize ? "_optimised" : "") +
                                  "_" + std::to_string(s.h_sampling) + "x" + std::to_string(s.v_sampling) + "_q" +
                                  std::to_string(s.quality);
                         });

TEST(JpegStealthCover, ADamagedStealthPictureIsCalledDamaged) {
  const Bytes jpeg = EncodeJpeg(Shape(3, false, false, 2, 2, 85));
  const Hidden hidden = Hide(jpeg, RandomBytes(60, 1));
  ASSERT_TRUE(hidden.result.ok());
  const Bytes cut(hidden.picture.begin(),
                  hidden.picture.begin() + static_cast<std::ptrdiff_t>(hidden.picture.size() / 2));
  const auto opened = Open(cut, "pass");
  EXPECT_EQ(opened.result.status, codec::RunStatus::kCoverDamaged);
  EXPECT_NE(opened.result.refusal.find("damaged"), std::string::npos) << opened.result.refusal;
  EXPECT_TRUE(opened.file.empty());
  // Nor is a damaged JPEG taken as a cover.
  const Hidden into_cut = Hide(cut, RandomBytes(60, 1));
  EXPECT_EQ(into_cut.result.status, codec::RunStatus::kNotStealthCover);
  EXPECT_NE(into_cut.result.refusal.find("damaged"), std::string::npos) << into_cut.result.refusal;
}

// A JPEG's flat areas (a sky, a wall) are blocks with no AC energy around
// them: nothing there changes, so the picture holds less, and a picture
// of nothing but them holds nothing.
TEST(JpegStealthCover, FlatPicturesTakeLessOrNothing) {
  JpegShape flat = Shape(3, false, false, 2, 2, 85);
  flat.flat_share = 1.0;
  const Bytes all_flat = EncodeJpeg(flat);
  MemoryFile flat_file(std::make_shared<Bytes>(all_flat));
  const auto none = codec::MeasureStealthCapacity(flat_file);
  EXPECT_TRUE(none.too_flat || none.largest_file == 0);
  EXPECT_EQ(Hide(all_flat, RandomBytes(10, 2)).result.status, codec::RunStatus::kTooFlat);
}

// What inspect promises, hide delivers: on pictures of every share of
// flatness, in grey and colour, baseline and progressive, a hide of the
// promised size succeeds and every success opens.
TEST(JpegStealthCover, EveryPromiseIsKeptAndEverySuccessOpens) {
  int hidden_into = 0;
  for (int components : {1, 3})
    for (bool progressive : {false, true})
      for (double flat_share : {0.0, 0.5, 0.7, 0.8, 0.85, 0.9, 0.95}) {
        JpegShape shape = Shape(components, progressive, false, 2, 2, 80);
        shape.height = 256;
        shape.flat_share = flat_share;
        shape.seed = static_cast<std::uint32_t>(flat_share * 100) + components;
        const Bytes jpeg = EncodeJpeg(shape);
        MemoryFile file(std::make_shared<Bytes>(jpeg));
        const auto capacity = codec::MeasureStealthCapacity(file);
        SCOPED_TRACE(::testing::Message() << components << " components, progressive " << progressive << ", flat "
                                          << flat_share << ": " << capacity.largest_file << " bytes promised");
        if (capacity.largest_file == 0) {
          EXPECT_NE(Hide(jpeg, RandomBytes(1, 1)).result.status, codec::RunStatus::kCompleted);
          continue;
        }
        const Bytes secret = RandomBytes(static_cast<std::size_t>(capacity.largest_file), 4);
        const Hidden hidden = Hide(jpeg, secret);
        ASSERT_TRUE(hidden.result.ok()) << static_cast<int>(hidden.result.status);
        ASSERT_EQ(Open(hidden.picture, "pass").file, secret);
        ++hidden_into;
      }
  EXPECT_GE(hidden_into, 10);
}

}  // namespace
}  // namespace veil::test
