// A stealth hide that says it is done opens again, and what the capacity
// promises, a hide delivers: on mostly flat pictures of many shapes, grey
// and colour, BMP and PNG, at the default cap and far above it.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "codec/stealth/stealth_format.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "support/png_test_files.h"

namespace veil::test {
namespace {

constexpr codec::stealth::KdfCosts kQuick{1, 8};

// Where a picture's texture lies; everything else is one flat colour.
enum class Texture { kRows, kBlock, kPatches, kOneChannel };

struct Scene {
  std::uint32_t width, height;
  bool grey;
  Texture texture;
  double share;  // of the rows, the area or the patches
  std::uint32_t seed;
};

// Samples, three a pixel (or one for grey), of a flat picture with a share
// of textured noise.
std::vector<std::uint16_t> Paint(const Scene& scene) {
  const unsigned channels = scene.grey ? 1 : 3;
  std::vector<std::uint16_t> samples(std::size_t{scene.width} * scene.height * channels);
  std::mt19937 random(scene.seed);
  std::normal_distribution<double> noise(0, 7);
  std::uniform_real_distribution<double> unit(0, 1);
  const std::uint32_t block_w = static_cast<std::uint32_t>(scene.width * std::sqrt(scene.share)),
                      block_h = static_cast<std::uint32_t>(scene.height * std::sqrt(scene.share));
  // Patches: 8x8 cells, each textured with probability share.
  std::vector<char> cells((scene.width / 8 + 1) * (scene.height / 8 + 1));
  for (auto& cell : cells) cell = unit(random) < scene.share;
  for (std::uint32_t y = 0; y < scene.height; ++y)
    for (std::uint32_t x = 0; x < scene.width; ++x) {
      bool textured = false;
      switch (scene.texture) {
        case Texture::kRows: textured = y < scene.height * scene.share; break;
        case Texture::kBlock: textured = x < block_w && y < block_h; break;
        case Texture::kPatches: textured = cells[(y / 8) * (scene.width / 8 + 1) + x / 8] != 0; break;
        case Texture::kOneChannel: textured = y < scene.height * scene.share; break;
      }
      for (unsigned c = 0; c < channels; ++c) {
        double v = 90 + 30 * c;
        if (textured && (scene.texture != Texture::kOneChannel || c == 1)) v += noise(random);
        samples[(std::size_t{y} * scene.width + x) * channels + c] =
            static_cast<std::uint16_t>(std::clamp(std::lround(v), 1L, 254L));
      }
    }
  return samples;
}

Bytes PngOf(const Scene& scene) {
  TestPicture picture;
  picture.width = scene.width;
  picture.height = scene.height;
  picture.colour_type = scene.grey ? 0 : 2;
  picture.samples = Paint(scene);
  return EncodePng(picture);
}

// A 24-bit BMP; grey scenes are stored as equal channels.
Bytes BmpOf(const Scene& scene) {
  const auto samples = Paint(scene);
  std::vector<std::uint8_t> rgb(std::size_t{scene.width} * scene.height * 3);
  const std::size_t channels = scene.grey ? 1 : 3;
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>(samples[i / 3 * channels + (channels == 1 ? 0 : i % 3)]);
  return MakeBmpOfSamples(scene.width, scene.height, rgb);
}

struct Outcome {
  codec::RunResult result;
  bool opened = false;  // the password gives the same file back
};

Outcome HideAndOpen(const Bytes& cover_bytes, const Bytes& secret, double rate) {
  MemoryFile cover(std::make_shared<Bytes>(cover_bytes));
  MemoryFile payload(std::make_shared<Bytes>(secret));
  auto written = std::make_shared<Bytes>();
  MemoryFile copy(written);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "a password"};
  request.max_rate = rate;
  request.costs = kQuick;
  request.threads = 2;
  codec::RunObserver observer;
  Outcome outcome{codec::HideStealth(request, observer)};
  if (outcome.result.ok()) {
    MemoryFile picture(written);
    const auto opened = codec::OpenStealth({picture, "a password", kQuick, 2}, observer);
    outcome.opened = opened.result.ok() && opened.file == secret && opened.extension == "bin";
  } else {
    EXPECT_TRUE(written->empty()) << "a refused hide wrote " << written->size() << " bytes";
  }
  return outcome;
}

// At a rate: a file of the promised size is hidden and opens; one byte
// more is refused as too large. A picture promised nothing is refused even
// one byte, as too flat or too large.
void CheckPromise(const Bytes& cover_bytes, double rate, const std::string& what) {
  MemoryFile cover(std::make_shared<Bytes>(cover_bytes));
  const auto capacity = codec::MeasureStealthCapacity(cover, rate, 2);
  ASSERT_EQ(capacity.refusal, "") << what;
  const std::uint64_t promised = capacity.largest_file;
  if (promised == 0) {
    const Outcome one = HideAndOpen(cover_bytes, RandomBytes(1, 1), rate);
    EXPECT_FALSE(one.result.ok()) << what << ": nothing promised, yet a byte was hidden";
    EXPECT_TRUE(one.result.status == codec::RunStatus::kTooFlat || one.result.status == codec::RunStatus::kTooLarge)
        << what << ": " << static_cast<int>(one.result.status);
    EXPECT_EQ(one.result.status == codec::RunStatus::kTooFlat, capacity.too_flat) << what;
    return;
  }
  for (std::uint64_t size : {std::uint64_t{1}, promised}) {
    const Outcome outcome = HideAndOpen(cover_bytes, RandomBytes(static_cast<std::size_t>(size), 2), rate);
    EXPECT_TRUE(outcome.result.ok()) << what << ": promised " << promised << ", refused " << size << " with "
                                     << static_cast<int>(outcome.result.status);
    EXPECT_EQ(outcome.opened, outcome.result.ok()) << what << ": hid " << size << " bytes that do not open";
  }
  const Outcome over = HideAndOpen(cover_bytes, RandomBytes(static_cast<std::size_t>(promised + 1), 3), rate);
  EXPECT_EQ(over.result.status, codec::RunStatus::kTooLarge) << what;
  EXPECT_EQ(over.result.capacity, promised) << what;
}

std::string Describe(const Scene& s, bool png) {
  static const char* const kNames[] = {"rows", "block", "patches", "one channel"};
  return std::string(png ? "PNG " : "BMP ") + (s.grey ? "grey " : "colour ") + std::to_string(s.width) + "x" +
         std::to_string(s.height) + " " + kNames[static_cast<int>(s.texture)] + " " +
         std::to_string(static_cast<int>(s.share * 100)) + "%";
}

// The picture that first showed it: one colour, a tenth of its rows textured.
TEST(StealthPromise, AMostlyFlatPictureIsRefusedOrItsHideOpens) {
  for (double share : {0.08, 0.10, 0.12}) {
    const Scene scene{512, 512, false, Texture::kRows, share, 11};
    const Bytes bmp = BmpOf(scene);
    const Outcome outcome = HideAndOpen(bmp, RandomBytes(20, 4), codec::stealth::kDefaultMaxRate);
    EXPECT_TRUE(outcome.result.ok() || outcome.result.status == codec::RunStatus::kTooFlat) << share;
    EXPECT_EQ(outcome.opened, outcome.result.ok()) << share << ": a hide said done and does not open";
  }
}

TEST(StealthPromise, APictureWithNoTextureIsTooFlatWithItsCounts) {
  const Bytes png = PngOf({256, 256, false, Texture::kRows, 0.0, 1});
  const Outcome outcome = HideAndOpen(png, RandomBytes(5, 4), codec::stealth::kDefaultMaxRate);
  EXPECT_EQ(outcome.result.status, codec::RunStatus::kTooFlat);
  EXPECT_EQ(outcome.result.samples, 256u * 256 * 3);
  EXPECT_EQ(outcome.result.usable, 0u);
  MemoryFile cover(std::make_shared<Bytes>(png));
  const auto capacity = codec::MeasureStealthCapacity(cover, 3.0, 2);
  ASSERT_EQ(capacity.refusal, "");
  EXPECT_TRUE(capacity.too_flat);
  EXPECT_EQ(capacity.largest_file, 0u);
}

TEST(StealthPromise, APictureOfTooFewSamplesSaysSo) {
  // 150 x 150 grey: 22,500 samples, below what the salt and frame need.
  const Bytes png = PngOf({150, 150, true, Texture::kRows, 1.0, 2});
  const Outcome outcome = HideAndOpen(png, RandomBytes(5, 4), 3.0);
  EXPECT_EQ(outcome.result.status, codec::RunStatus::kTooLarge);
  EXPECT_EQ(outcome.result.capacity, 0u);
  EXPECT_EQ(outcome.result.samples, 150u * 150);
  MemoryFile cover(std::make_shared<Bytes>(png));
  const auto capacity = codec::MeasureStealthCapacity(cover, 3.0, 2);
  ASSERT_EQ(capacity.refusal, "");
  EXPECT_TRUE(capacity.too_small);
}

// Shapes and shares of texture, grey and colour, BMP and PNG, at the
// default cap and at a rate far above it.
TEST(StealthPromise, WhatTheCapacityPromisesTheHideDelivers) {
  const double shares[] = {0.03, 0.06, 0.1, 0.15, 0.25, 0.5, 1.0};
  std::uint32_t seed = 100;
  for (Texture texture : {Texture::kRows, Texture::kBlock, Texture::kPatches, Texture::kOneChannel})
    for (double share : shares)
      for (bool grey : {false, true}) {
        if (grey && texture == Texture::kOneChannel) continue;
        const Scene scene{200, 150, grey, texture, share, ++seed};
        for (bool png : {false, true}) {
          if (grey && !png) continue;  // a BMP's grey is three equal channels: wet throughout
          const Bytes bytes = png ? PngOf(scene) : BmpOf(scene);
          for (double rate : {codec::stealth::kDefaultMaxRate, 3.0})
            CheckPromise(bytes, rate, Describe(scene, png) + " at " + std::to_string(rate));
        }
      }
}

// Many pictures of random texture: every hide that reports success opens.
TEST(StealthPromise, EveryReportedSuccessOpens) {
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> share(0.0, 0.6);
  int successes = 0, refusals = 0;
  for (int k = 0; k < 300; ++k) {
    const Scene scene{static_cast<std::uint32_t>(150 + random() % 150),
                      static_cast<std::uint32_t>(120 + random() % 120),
                      random() % 4 == 0,
                      static_cast<Texture>(random() % 3),
                      share(random),
                      static_cast<std::uint32_t>(random())};
    const bool png = scene.grey || random() % 2 == 0;
    const Bytes bytes = png ? PngOf(scene) : BmpOf(scene);
    const double rate = random() % 2 ? codec::stealth::kDefaultMaxRate : 0.5 + 2.5 * share(random);
    const Outcome outcome = HideAndOpen(bytes, RandomBytes(1 + random() % 400, k), rate);
    ASSERT_EQ(outcome.opened, outcome.result.ok()) << Describe(scene, png) << ": a reported success does not open";
    if (!outcome.result.ok()) {
      EXPECT_TRUE(outcome.result.status == codec::RunStatus::kTooFlat ||
                  outcome.result.status == codec::RunStatus::kTooLarge)
          << Describe(scene, png) << ": " << static_cast<int>(outcome.result.status);
    }
    (outcome.result.ok() ? successes : refusals)++;
  }
  // Both sides were tried.
  EXPECT_GT(successes, 50);
  EXPECT_GT(refusals, 20);
}

// A derivation that cannot have its memory is said to be one, with how
// much it asked, and nothing is written.
TEST(StealthPromise, AKeyDerivationWithoutItsMemorySaysSo) {
  const Bytes png = PngOf({200, 150, false, Texture::kRows, 1.0, 3});
  MemoryFile cover(std::make_shared<Bytes>(png));
  MemoryFile payload(std::make_shared<Bytes>(RandomBytes(10, 1)));
  auto written = std::make_shared<Bytes>();
  MemoryFile copy(written);
  codec::StealthHideRequest request{cover, payload, copy, "bin", "a password"};
  request.costs = {1, 0xFFFFFFFFu};  // 4 TiB
  codec::RunObserver observer;
  const codec::RunResult hidden = codec::HideStealth(request, observer);
  EXPECT_EQ(hidden.status, codec::RunStatus::kKeyMemory);
  EXPECT_EQ(hidden.key_memory_kib, 0xFFFFFFFFu);
  EXPECT_TRUE(written->empty());
  const auto opened = codec::OpenStealth({cover, "a password", request.costs, 2}, observer);
  EXPECT_EQ(opened.result.status, codec::RunStatus::kKeyMemory);
}

// Odd sizes put phantom places (past the last sample) among the salt's:
// measuring and hiding must skip them (an overrun here shows under the
// address sanitizer), and a hide into each still opens.
TEST(StealthPromise, PicturesWhoseOrderPassesTheirLastSampleAreMeasured) {
  for (const auto& [width, height] :
       std::vector<std::pair<std::uint32_t, std::uint32_t>>{{100, 80}, {101, 77}, {97, 89}, {130, 61}, {151, 150}}) {
    const Bytes png = PngOf({width, height, false, Texture::kRows, 1.0, width});
    MemoryFile cover(std::make_shared<Bytes>(png));
    const auto capacity = codec::MeasureStealthCapacity(cover, 3.0, 2);
    ASSERT_EQ(capacity.refusal, "");
    ASSERT_GT(capacity.largest_file, 0u) << width << "x" << height;
    const Outcome outcome = HideAndOpen(png, RandomBytes(static_cast<std::size_t>(capacity.largest_file), 9), 3.0);
    EXPECT_TRUE(outcome.result.ok() && outcome.opened) << width << "x" << height;
  }
}

}  // namespace
}  // namespace veil::test
