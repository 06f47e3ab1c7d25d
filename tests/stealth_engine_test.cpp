// The stealth engine on samples in memory: round trips, the refusals, and
// what the changes may and may not touch.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "codec/stealth/embedding_costs.h"
#include "codec/stealth/place_permutation.h"
#include "codec/stealth/stealth_engine.h"
#include "codec/stealth/trellis_code.h"
#include "codec/stealth/trellis_forward.h"
#include "codec/stealth/trellis_forward_choice.h"

namespace veil::codec::stealth {
namespace {

// Argon2id at libsodium's least, so that the tests run quickly.
constexpr KdfCosts kQuick{1, 8};

// A textured picture: smooth shading plus noise, with a flat band and a
// saturated band, as photographs have.
CoverSamples Picture(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  CoverSamples samples;
  samples.width = width;
  samples.height = height;
  samples.channels = 3;
  samples.values8.resize(samples.SampleCount());
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 6);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        double v = 60 + 100.0 * x / width + 40.0 * y / height + 10 * c + noise(random);
        if (y < height / 10) v = 128;            // flat
        if (y >= height - height / 10) v = 255;  // saturated
        samples.values8[(std::size_t{y} * width + x) * 3 + c] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
      }
  return samples;
}

std::vector<std::uint8_t> Random(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

Salt SaltOf(std::uint8_t first) {
  Salt salt;
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(first + i);
  return salt;
}

struct Hidden {
  CoverSamples picture;
  bool ok = false;
  std::uint64_t changes = 0;
};

Hidden Hide(const CoverSamples& cover, const std::string& password, std::span<const std::uint8_t> file,
            const Salt& salt) {
  Hidden hidden{cover};
  StealthHider hider(hidden.picture, 2);
  const bool salted = hider.HideSalt(salt);
  const auto keys = DeriveStealthKeys(password, salt, kQuick);
  hidden.ok = salted && keys && hider.HideFile(*keys, salt, "txt", file);
  hidden.changes = hider.changes();
  return hidden;
}

std::optional<std::vector<std::uint8_t>> Read(const CoverSamples& picture, const std::string& password) {
  StealthReader reader(picture, 2);
  const Salt salt = reader.ReadSalt();
  const auto keys = DeriveStealthKeys(password, salt, kQuick);
  if (!keys) return std::nullopt;
  const auto frame = reader.ReadFrame(*keys, salt);
  if (!frame) return std::nullopt;
  EXPECT_EQ(frame->extension, "txt");
  return reader.ReadFile(*keys, *frame);
}

TEST(TrellisCodeTest, SyndromeOfTheEmbeddedBitsIsTheMessage) {
  std::mt19937 random(7);
  for (std::size_t m : {1, 5, 7, 8, 100, 1000}) {
    for (std::size_t per : {1, 2, 3, 10}) {
      const std::size_t n = m * per + random() % per;
      std::vector<std::uint8_t> x(n), y(n), message(m), back(m);
      std::vector<float> rho(n);
      for (auto& b : x) b = random() & 1;
      for (auto& b : message) b = random() & 1;
      for (auto& r : rho) r = 0.1f + static_cast<float>(random() % 100);
      TrellisCode code;
      ASSERT_TRUE(code.Embed(x, rho, message, y)) << m << " " << n;
      TrellisCode::Syndrome(y, back);
      EXPECT_EQ(back, message) << m << " " << n;
      std::size_t flips = 0;
      for (std::size_t i = 0; i < n; ++i) flips += x[i] != y[i];
      // The code must do better than changing half of the message's places.
      if (per >= 2 && m >= 100) {
        EXPECT_LT(flips, m / 2) << m << " " << n;
      }
    }
  }
}

TEST(TrellisCodeTest, WetPlacesNeverChange) {
  std::mt19937 random(9);
  const std::size_t m = 500, n = 5000;
  std::vector<std::uint8_t> x(n), y(n), message(m), back(m);
  std::vector<float> rho(n);
  for (auto& b : x) b = random() & 1;
  for (auto& b : message) b = random() & 1;
  for (std::size_t i = 0; i < n; ++i) rho[i] = i % 3 == 0 ? 1.0f : CostOfLevel(kWet);
  TrellisCode code;
  ASSERT_TRUE(code.Embed(x, rho, message, y));
  TrellisCode::Syndrome(y, back);
  EXPECT_EQ(back, message);
  for (std::size_t i = 0; i < n; ++i)
    if (i % 3 != 0) {
      EXPECT_EQ(x[i], y[i]) << i;
    }
}

TEST(TrellisCodeTest, EveryForwardPassFindsWhatThePortableOneFinds) {
  std::mt19937 random(11);
  const std::size_t m = 700, n = 7000;
  std::vector<std::uint8_t> x(n), message(m), hhat(10), paths_a(n * 16), paths_b(n * 16);
  std::vector<float> rho(n);
  for (auto& b : x) b = random() & 1;
  for (auto& b : message) b = random() & 1;
  for (auto& h : hhat) h = static_cast<std::uint8_t>((random() & 127) | 65);
  for (std::size_t i = 0; i < n; ++i) rho[i] = i % 5 == 0 ? CostOfLevel(kWet) : CostOfLevel(random() % 80);
  const float a = ForwardPortable({x.data(), rho.data(), message.data(), n, m, hhat.data(), paths_a.data()});
  for (const auto& kernel : ForwardKernels()) {
    std::fill(paths_b.begin(), paths_b.end(), 0xAA);
    EXPECT_EQ(a, kernel.run({x.data(), rho.data(), message.data(), n, m, hhat.data(), paths_b.data()})) << kernel.name;
    EXPECT_EQ(paths_a, paths_b) << kernel.name;
  }
  // The choice was timed: every candidate has a measured time.
  const auto& choice = TrellisForwardChoice();
  ASSERT_EQ(choice.nanoseconds.size(), ForwardKernels().size());
  for (double t : choice.nanoseconds) EXPECT_GT(t, 0.0);
  EXPECT_STREQ(choice.name, ForwardKernels()[choice.index].name);
}

// H y as docs/format.md describes H, row by row: column c of block i holds
// the submatrix's column c - start in rows i .. i + 6 (those below m).
std::vector<std::uint8_t> DescribedSyndrome(const std::vector<std::uint8_t>& y, std::size_t m) {
  const std::size_t n = y.size(), w = (n + m - 1) / m;
  std::vector<std::uint8_t> columns(w);
  std::uint64_t state = w;
  for (auto& column : columns) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    column = static_cast<std::uint8_t>(((z ^ (z >> 31)) & 0x7F) | 0x41);
  }
  std::vector<std::uint8_t> message(m, 0);
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t c = i * n / m; c < (i + 1) * n / m; ++c)
      for (std::size_t row = i; row < std::min(m, i + 7); ++row)
        if (y[c] && (columns[c - i * n / m] >> (row - i) & 1)) message[row] ^= 1;
  return message;
}

// For random covers, costs, wet places and messages of many shapes: the
// reader's syndrome is H y, the embedded y carries the message, wet places
// keep their bits, and a flip of any one place changes the message.
TEST(TrellisCodeTest, EmbeddedBitsCarryTheMessageAndEveryPlaceCounts) {
  std::mt19937 random(13);
  TrellisCode code;
  for (std::size_t m : {1, 2, 6, 7, 8, 9, 31, 64, 200, 777}) {
    for (std::size_t n : {m, m + 1, 2 * m - 1, 2 * m, 3 * m + 2, 7 * m + 5, 16 * m}) {
      if (n < m) continue;
      SCOPED_TRACE(std::to_string(m) + " bits on " + std::to_string(n));
      std::vector<std::uint8_t> x(n), y(n), message(m), back(m);
      std::vector<float> rho(n);
      for (auto& b : x) b = random() & 1;
      for (auto& b : message) b = random() & 1;
      // Wet places only where the code keeps room around them.
      const bool wet = n >= 4 * m;
      for (std::size_t i = 0; i < n; ++i)
        rho[i] = wet && random() % 4 == 0 ? CostOfLevel(kWet) : CostOfLevel(static_cast<std::uint8_t>(random() % 100));

      TrellisCode::Syndrome(x, back);
      ASSERT_EQ(back, DescribedSyndrome(x, m));
      ASSERT_TRUE(code.Embed(x, rho, message, y));
      TrellisCode::Syndrome(y, back);
      ASSERT_EQ(back, message);
      ASSERT_EQ(DescribedSyndrome(y, m), message);
      for (std::size_t i = 0; i < n; ++i)
        if (std::isinf(rho[i])) {
          ASSERT_EQ(y[i], x[i]) << "wet place " << i << " changed";
        }
      for (std::size_t i = 0; i < n; ++i) {
        y[i] ^= 1;
        TrellisCode::Syndrome(y, back);
        y[i] ^= 1;
        ASSERT_NE(back, message) << "a flip of place " << i << " goes unseen";
      }
    }
  }
}

// Over many keys, each element of a small order takes every place equally
// often: a shuffle that never leaves an element where it was (or favours
// any place) shows here, though its order is still a permutation.
TEST(PlacePermutationTest, EveryElementTakesEveryPlaceAlike) {
  constexpr int kKeys = 4000;
  for (unsigned unit : {1u, 3u}) {
    for (std::uint64_t samples : {13u, 16u, 20u, 48u, 60u}) {
      SCOPED_TRACE(std::to_string(samples) + " samples, unit " + std::to_string(unit));
      std::uint64_t domain = 0;
      std::vector<int> count;
      for (int k = 0; k < kKeys; ++k) {
        Subkey key{};
        key[0] = static_cast<std::uint8_t>(k);
        key[1] = static_cast<std::uint8_t>(k >> 8);
        key[2] = static_cast<std::uint8_t>(unit);
        const PlacePermutation places(key, samples, unit);
        domain = places.domain();
        count.resize(domain * domain);
        for (std::uint64_t j = 0; j < domain; ++j) ++count[j * domain + places(j)];
      }
      // Binomial: about kKeys / places each, within six deviations.
      const std::uint64_t units = domain / unit;
      const double mean = static_cast<double>(kKeys) / static_cast<double>(units);
      const double spread = 6 * std::sqrt(mean);
      for (std::uint64_t j = 0; j < domain; ++j)
        for (std::uint64_t p = 0; p < domain; ++p) {
          const int seen = count[j * domain + p];
          if (p % unit != j % unit) {
            ASSERT_EQ(seen, 0) << "element " << j << " left its unit's sample " << j % unit;
            continue;
          }
          ASSERT_GT(seen, mean - spread) << "element " << j << " at place " << p;
          ASSERT_LT(seen, mean + spread) << "element " << j << " at place " << p;
        }
    }
  }
}

// Every sample below N is exactly one element's place, phantoms (places at
// N and beyond) aside, for sizes around the strata's and the units' edges.
TEST(PlacePermutationTest, EverySampleIsExactlyOneElementsPlace) {
  Subkey key{};
  key[5] = 9;
  for (unsigned unit : {1u, 3u}) {
    for (std::uint64_t samples : {1u, 2u, 3u, 4u, 5u, 63u, 64u, 65u, 255u, 256u, 257u, 1023u, 22527u, 22528u, 22531u}) {
      if (samples % unit != 0) continue;
      const PlacePermutation places(key, samples, unit);
      std::vector<int> seen(samples, 0);
      std::uint64_t phantoms = 0;
      for (std::uint64_t j = 0; j < places.domain(); ++j) {
        const std::uint64_t p = places(j);
        if (p >= samples) {
          ASSERT_LT(p, places.domain());
          ++phantoms;
        } else {
          ++seen[p];
        }
      }
      EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(samples)) << samples << " " << unit;
      EXPECT_EQ(phantoms, places.domain() - samples);
    }
  }
}

TEST(PlacePermutationTest, IsAPermutationSpreadOverTheStrataAndDependsOnTheKey) {
  Subkey key{};
  key[0] = 1;
  for (unsigned unit : {1u, 3u}) {
    for (std::uint64_t samples : {3u, 6u, 15u, 1005u, 4098u, 100002u}) {
      PlacePermutation places(key, samples, unit);
      ASSERT_GE(places.domain(), samples);
      ASSERT_EQ(places.domain() % unit, 0u);
      std::vector<std::uint64_t> filled(places.domain());
      places.Fill(0, filled.size(), filled.data());
      std::vector<int> seen(places.domain(), 0);
      for (std::uint64_t j = 0; j < places.domain(); ++j) {
        ASSERT_EQ(filled[j], places(j));
        // A unit's samples come together, in their order.
        if (j % unit != 0) {
          ASSERT_EQ(places(j), places(j - 1) + 1) << j;
        }
        ++seen[places(j)];
      }
      EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), static_cast<long>(places.domain())) << samples;
      // Filling from the middle of a unit gives the same places.
      std::vector<std::uint64_t> tail(filled.size() - 1);
      places.Fill(1, tail.size(), tail.data());
      EXPECT_TRUE(std::equal(tail.begin(), tail.end(), filled.begin() + 1)) << samples;
    }
  }
  // The first elements reach every part of the picture.
  PlacePermutation a(key, 100000);
  std::vector<int> tenths(10, 0);
  for (std::uint64_t j = 0; j < 1000; ++j) ++tenths[std::min<std::uint64_t>(9, a(j) / 10000)];
  for (int count : tenths) EXPECT_GT(count, 50);
  Subkey other = key;
  other[31] = 1;
  PlacePermutation b(other, 100000);
  int same = 0;
  for (std::uint64_t i = 0; i < 1000; ++i) same += a(i) == b(i);
  EXPECT_LT(same, 5);
}

TEST(StealthEngineTest, RoundTripsAtZeroOneAndNearTheCap) {
  const CoverSamples cover = Picture(160, 120, 1);
  const auto costs = ComputeCosts(cover, 2);
  const StealthRoom room = RoomFor(cover, costs, kDefaultMaxRate);
  ASSERT_EQ(room.limit, StealthRoom::Limit::kNone);
  ASSERT_GT(room.largest_file, 100u);
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, static_cast<std::size_t>(room.largest_file)}) {
    const auto file = Random(size, static_cast<std::uint32_t>(size));
    const auto hidden = Hide(cover, "correct horse", file, SaltOf(static_cast<std::uint8_t>(size)));
    ASSERT_TRUE(hidden.ok) << size;
    const auto back = Read(hidden.picture, "correct horse");
    ASSERT_TRUE(back) << size;
    EXPECT_EQ(*back, file) << size;
  }
}

TEST(StealthEngineTest, ChangesAreOfOneNeverOnWetSamplesAndGoOneWayInAPixel) {
  const CoverSamples cover = Picture(160, 120, 2);
  const auto costs = ComputeCosts(cover, 1);
  const auto file = Random(static_cast<std::size_t>(RoomFor(cover, costs, kDefaultMaxRate).largest_file), 3);
  const auto hidden = Hide(cover, "pw", file, SaltOf(9));
  ASSERT_TRUE(hidden.ok);
  std::uint64_t changed = 0, pixels = 0, shared = 0, split = 0;
  for (std::size_t pixel = 0; pixel < cover.values8.size() / 3; ++pixel) {
    int up = 0, down = 0;
    for (std::size_t i = 3 * pixel; i < 3 * pixel + 3; ++i) {
      const int d = hidden.picture.values8[i] - cover.values8[i];
      if (d == 0) continue;
      ++changed;
      EXPECT_EQ(std::abs(d), 1) << i;
      EXPECT_FALSE(costs.Wet(i)) << i;
      (d > 0 ? up : down)++;
    }
    pixels += up + down > 0;
    shared += up + down > 1;
    split += up > 0 && down > 0;
  }
  EXPECT_EQ(changed, hidden.changes);
  // Syndrome coding: far fewer changed pixels than hidden bits (a pixel's
  // further changes, which put its channels' differences back, come on top).
  EXPECT_LT(pixels, file.size() * 8 / 3);
  EXPECT_LT(changed, file.size() * 8 * 2 / 3);
  // A pixel's changes gather and go one way, leaving its channels'
  // differences alone: at random places and signs, a few pixels would
  // have two changes, and half of those would split.
  EXPECT_GT(shared * 10, changed);
  EXPECT_EQ(split, 0u);
}

TEST(StealthEngineTest, WrongPasswordAndCleanPictureFindNothing) {
  const CoverSamples cover = Picture(160, 120, 4);
  const auto file = Random(300, 5);
  const auto hidden = Hide(cover, "right", file, SaltOf(1));
  ASSERT_TRUE(hidden.ok);
  EXPECT_FALSE(Read(hidden.picture, "wrong"));
  EXPECT_FALSE(Read(cover, "right"));
}

TEST(StealthEngineTest, AFlippedUsedBitIsFound) {
  const CoverSamples cover = Picture(160, 120, 6);
  const auto file = Random(200, 7);
  const auto hidden = Hide(cover, "pw", file, SaltOf(3));
  ASSERT_TRUE(hidden.ok);
  // Every changed sample lies at a used place: changing one back breaks the
  // salt, the frame or a chunk.
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < cover.values8.size(); ++i)
    if (hidden.picture.values8[i] != cover.values8[i]) changed.push_back(i);
  ASSERT_GT(changed.size(), 10u);
  for (std::size_t k = 0; k < changed.size(); k += changed.size() / 10) {
    CoverSamples damaged = hidden.picture;
    damaged.values8[changed[k]] = cover.values8[changed[k]];
    EXPECT_FALSE(Read(damaged, "pw")) << changed[k];
  }
}

// Each channel its own uniform noise: texture everywhere, no sample at 0
// or the largest value.
CoverSamples Texture(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint32_t seed) {
  CoverSamples samples;
  samples.width = width;
  samples.height = height;
  samples.channels = 3;
  samples.depth = depth;
  std::mt19937 random(seed);
  if (depth == 16) {
    samples.values16.resize(samples.SampleCount());
    for (auto& v : samples.values16) v = static_cast<std::uint16_t>(15000 + random() % 35000);
  } else {
    samples.values8.resize(samples.SampleCount());
    for (auto& v : samples.values8) v = static_cast<std::uint8_t>(60 + random() % 136);
  }
  return samples;
}

std::uint32_t ValueAt(const CoverSamples& samples, std::size_t i) {
  return samples.depth == 16 ? samples.values16[i] : samples.values8[i];
}

void SetValue(CoverSamples& samples, std::size_t i, std::uint32_t value) {
  if (samples.depth == 16)
    samples.values16[i] = static_cast<std::uint16_t>(value);
  else
    samples.values8[i] = static_cast<std::uint8_t>(value);
}

// A file near the picture's room at a high rate: hidden, found again, and
// the samples that changed.
std::vector<std::size_t> HideNearTheRoom(const CoverSamples& cover) {
  const auto costs = ComputeCosts(cover, 2);
  const StealthRoom room = RoomFor(cover, costs, 0.5);
  EXPECT_EQ(room.limit, StealthRoom::Limit::kNone);
  const auto file = Random(static_cast<std::size_t>(room.largest_file), 21);
  const auto hidden = Hide(cover, "pw", file, SaltOf(5));
  EXPECT_TRUE(hidden.ok);
  const auto back = Read(hidden.picture, "pw");
  EXPECT_TRUE(back && *back == file);
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < cover.SampleCount(); ++i)
    if (ValueAt(hidden.picture, i) != ValueAt(cover, i)) changed.push_back(i);
  EXPECT_GT(changed.size(), 1000u);
  return changed;
}

// Saturated samples scattered through texture, where nothing else would
// keep them: wet, counted so, and never changed; one below the largest
// value (one above 0), in the same places, they may change.
TEST(StealthExclusionTest, SaturatedSamplesInTextureNeverChange) {
  for (std::uint8_t depth : {std::uint8_t{8}, std::uint8_t{16}}) {
    SCOPED_TRACE(static_cast<int>(depth));
    const std::uint32_t top = depth == 16 ? 65535 : 255;
    CoverSamples cover = Texture(200, 150, depth, 30 + depth), near = cover;
    std::vector<std::size_t> saturated;
    for (std::size_t i = 5; i < cover.SampleCount(); i += 37) {
      const bool high = i % 2 == 0;
      SetValue(cover, i, high ? top : 0);
      SetValue(near, i, high ? top - 1 : 1);
      saturated.push_back(i);
    }
    const auto near_costs = ComputeCosts(near, 2);
    ASSERT_EQ(near_costs.usable, near.SampleCount()) << "texture alone keeps nothing";
    const auto costs = ComputeCosts(cover, 2);
    EXPECT_EQ(costs.usable, cover.SampleCount() - saturated.size());
    std::uint64_t by_channel = 0;
    for (auto count : costs.usable_by_channel) by_channel += count;
    EXPECT_EQ(by_channel, costs.usable);
    for (auto i : saturated) ASSERT_TRUE(costs.Wet(i)) << i;

    const auto changed = HideNearTheRoom(cover);
    for (auto i : changed)
      ASSERT_FALSE(std::binary_search(saturated.begin(), saturated.end(), i)) << "saturated sample " << i << " changed";
  }
}

// A flat square of a middle value, in texture and far from 0 and the
// largest value: wet inside, where its 15 x 15 window sees flatness alone,
// and never changed; the texture around it stays usable.
TEST(StealthExclusionTest, FlatAreasThatAreNotSaturatedNeverChange) {
  CoverSamples cover = Texture(200, 150, 8, 40);
  constexpr std::uint32_t kFirst = 50, kLast = 110;
  auto in_square = [](std::uint32_t x, std::uint32_t y, std::uint32_t margin) {
    return x >= kFirst + margin && x < kLast - margin && y >= kFirst - 20 + margin && y < kLast - 20 - margin;
  };
  for (std::uint32_t y = 0; y < cover.height; ++y)
    for (std::uint32_t x = 0; x < cover.width; ++x)
      if (in_square(x, y, 0))
        for (int c = 0; c < 3; ++c)
          cover.values8[(std::size_t{y} * cover.width + x) * 3 + c] = static_cast<std::uint8_t>(120 + 5 * c);
  const auto costs = ComputeCosts(cover, 2);
  std::vector<std::size_t> flat;
  for (std::uint32_t y = 0; y < cover.height; ++y)
    for (std::uint32_t x = 0; x < cover.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const std::size_t i = (std::size_t{y} * cover.width + x) * 3 + c;
        // Seven pixels in: the window holds nothing but the square.
        if (in_square(x, y, 8)) {
          ASSERT_TRUE(costs.Wet(i)) << x << " " << y;
          flat.push_back(i);
        }
        // Outside it by more than the window, only texture.
        if (!in_square(x, y, 0) && (x + 8 < kFirst || x >= kLast + 8 || y + 28 < kFirst || y >= kLast - 20 + 8)) {
          ASSERT_FALSE(costs.Wet(i)) << x << " " << y;
        }
      }
  ASSERT_GT(flat.size(), 3000u);
  const auto changed = HideNearTheRoom(cover);
  for (auto i : changed)
    ASSERT_FALSE(std::binary_search(flat.begin(), flat.end(), i)) << "flat sample " << i << " changed";
}

// Pixels that are not opaque (locked) scattered through texture: all their
// samples wet and never changed; unlocked, the same pixels may change.
TEST(StealthExclusionTest, PixelsThatAreNotOpaqueNeverChange) {
  CoverSamples cover = Texture(200, 150, 8, 50);
  ASSERT_EQ(ComputeCosts(cover, 2).usable, cover.SampleCount()) << "texture alone keeps nothing";
  cover.locked.assign(std::size_t{cover.width} * cover.height, 0);
  std::size_t locked = 0;
  for (std::size_t pixel = 3; pixel < cover.locked.size(); pixel += 11) {
    cover.locked[pixel] = 1;
    ++locked;
  }
  const auto costs = ComputeCosts(cover, 2);
  EXPECT_EQ(costs.usable, cover.SampleCount() - 3 * locked);
  for (std::size_t i = 0; i < cover.SampleCount(); ++i) ASSERT_EQ(costs.Wet(i), cover.Locked(i / 3)) << i;
  for (auto i : HideNearTheRoom(cover))
    ASSERT_FALSE(cover.Locked(i / 3)) << "sample " << i << " of a locked pixel changed";
}

// kMinimumSamples (22,528) samples are the fewest the form takes: at the
// limit a picture has room, one sample fewer it has none and takes no salt.
TEST(StealthEngineTest, TheFewestSamplesTheFormTakes) {
  struct Shape {
    std::uint32_t width, height;
    std::uint8_t channels;
  };
  // Grey 176 x 128 and colour 10 x 751 (22,530): the least at or above the
  // limit; grey 2503 x 9 and colour 2503 x 3: 22,527.
  for (const auto& [shape, enough] : {std::pair{Shape{176, 128, 1}, true}, std::pair{Shape{751, 10, 3}, true},
                                      std::pair{Shape{2503, 9, 1}, false}, std::pair{Shape{2503, 3, 3}, false}}) {
    CoverSamples cover;
    cover.width = shape.width;
    cover.height = shape.height;
    cover.channels = shape.channels;
    std::mt19937 random(shape.width);
    cover.values8.resize(cover.SampleCount());
    for (auto& v : cover.values8) v = static_cast<std::uint8_t>(60 + random() % 136);
    SCOPED_TRACE(std::to_string(cover.SampleCount()) + " samples");
    ASSERT_EQ(cover.SampleCount() >= kMinimumSamples, enough);
    const auto costs = ComputeCosts(cover, 2);
    const StealthRoom room = RoomFor(cover, costs, 3.0);
    if (enough) {
      EXPECT_EQ(room.limit, StealthRoom::Limit::kNone);
      EXPECT_GT(room.largest_file, 0u);
    } else {
      EXPECT_EQ(room.limit, StealthRoom::Limit::kSampleCount);
      CoverSamples picture = cover;
      EXPECT_FALSE(StealthHider(picture, 2).HideSalt(SaltOf(1)));
      EXPECT_EQ(picture.values8, cover.values8);
    }
  }
}

TEST(StealthEngineTest, FlatPicturesTakeNothing) {
  CoverSamples flat = Picture(160, 120, 8);
  std::fill(flat.values8.begin(), flat.values8.end(), 100);
  const auto costs = ComputeCosts(flat, 2);
  EXPECT_EQ(costs.usable, 0u);
  EXPECT_EQ(RoomFor(flat, costs, kDefaultMaxRate).limit, StealthRoom::Limit::kTooFlat);
}

// A change to one colour channel alone shows in the channels' differences:
// where those are smooth the change costs more, and where they are flat (a
// grey or evenly tinted picture stored in colour) it is not made at all.
TEST(StealthEngineTest, ColourChangesAvoidSmoothDifferencesBetweenChannels) {
  CoverSamples grey = Picture(160, 120, 9);
  for (std::size_t p = 0; p < grey.values8.size(); p += 3) {
    grey.values8[p + 1] = grey.values8[p];
    grey.values8[p + 2] = static_cast<std::uint8_t>(std::min(255, grey.values8[p] + 20));  // a tint
  }
  const auto grey_costs = ComputeCosts(grey, 2);
  EXPECT_EQ(grey_costs.usable, 0u);
  EXPECT_EQ(RoomFor(grey, grey_costs, kDefaultMaxRate).limit, StealthRoom::Limit::kTooFlat);

  // Left half: each channel its own noise; right half: one noise for all
  // three and a little of each channel's own.
  CoverSamples colour;
  colour.width = 160;
  colour.height = 120;
  colour.channels = 3;
  colour.values8.resize(colour.SampleCount());
  std::mt19937 random(10);
  std::normal_distribution<double> noise(0, 6), own(0, 1);
  for (std::uint32_t y = 0; y < colour.height; ++y)
    for (std::uint32_t x = 0; x < colour.width; ++x) {
      const double shared = noise(random);
      for (int c = 0; c < 3; ++c) {
        const double v = 90 + 20 * c + (x < colour.width / 2 ? noise(random) : shared + own(random));
        colour.values8[(std::size_t{y} * colour.width + x) * 3 + c] =
            static_cast<std::uint8_t>(std::clamp(v, 1.0, 254.0));
      }
    }
  const auto costs = ComputeCosts(colour, 2);
  EXPECT_EQ(costs.usable, colour.SampleCount()) << "textured differences are not flat";
  // Mean levels over the middle of each half, away from the seam and the edges.
  auto mean_level = [&](std::uint32_t first_x) {
    double sum = 0;
    for (std::uint32_t y = 20; y < 100; ++y)
      for (std::uint32_t x = first_x; x < first_x + 40; ++x)
        for (int c = 0; c < 3; ++c) sum += costs.levels[(std::size_t{y} * colour.width + x) * 3 + c] >> 1;
    return sum / (80 * 40 * 3);
  };
  // Levels are 8 a doubling: the shared-noise half costs at least twice as much.
  EXPECT_GT(mean_level(100), mean_level(20) + 8);
}

}  // namespace
}  // namespace veil::codec::stealth
