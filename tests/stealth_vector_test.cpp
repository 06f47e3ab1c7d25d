// The stealth form's test vector (docs/format.md): with libsodium's random
// bytes fixed, which only a test may do, hiding "hello" as .txt under the
// password "pw" in the documented 128 x 128 picture gives exactly these
// keys, places, stream bytes and picture.
#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdio>

#include "codec/stealth/place_permutation.h"
#include "codec/stealth/stealth_engine.h"
#include "codec/stealth/trellis_code.h"
#include "support/documented_vector.h"

namespace veil::codec::stealth {
namespace {

// libsodium's random bytes, replaced for this program alone: every draw
// comes out as 00 01 02 ...
void CountingBytes(void* out, std::size_t size) {
  auto* bytes = static_cast<std::uint8_t*>(out);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
}
std::uint32_t CountingRandom() { return 0; }
randombytes_implementation kCounting = {
    [] { return "counting"; }, CountingRandom, nullptr, nullptr, CountingBytes, nullptr};

template <typename Bytes>
std::string Hex(const Bytes& bytes) {
  std::string hex;
  char two[3];
  for (auto b : bytes) {
    std::snprintf(two, sizeof two, "%02x", static_cast<unsigned>(b));
    hex += two;
  }
  return hex;
}

// The cover: 128 x 128 colour pixels, sample i = 32 + (7919 i + i^2 mod 65521) mod 192.
CoverSamples VectorCover(std::uint32_t width = 128, std::uint32_t height = 128) {
  CoverSamples samples;
  samples.width = width;
  samples.height = height;
  samples.channels = 3;
  samples.values8.resize(samples.SampleCount());
  for (std::uint64_t i = 0; i < samples.values8.size(); ++i)
    samples.values8[i] = static_cast<std::uint8_t>(32 + (7919 * i + i * i % 65521) % 192);
  return samples;
}

std::vector<std::uint8_t> Syndrome(const CoverSamples& samples, const PlacePermutation& order, std::uint64_t first,
                                   std::size_t places, std::size_t bytes) {
  std::vector<std::uint64_t> at(places);
  order.Fill(first, places, at.data());
  std::vector<std::uint8_t> y(places), bits(bytes * 8);
  for (std::size_t j = 0; j < places; ++j) y[j] = at[j] < samples.SampleCount() ? samples.values8[at[j]] & 1 : 0;
  TrellisCode::Syndrome(y, bits);
  return ToBytes(bits);
}

// A body of one segment: its places channel by channel, each channel's
// carrying its share of the bits in proportion to its places.
std::vector<std::uint8_t> BodySyndrome(const CoverSamples& samples, const PlacePermutation& order, std::size_t places,
                                       std::size_t bytes) {
  std::vector<std::uint64_t> at(places);
  order.Fill(kFramePlaces, places, at.data());
  std::vector<std::uint8_t> bits(bytes * 8);
  std::size_t before = 0;
  for (std::uint64_t channel = 0; channel < 3; ++channel) {
    std::vector<std::uint8_t> y;
    for (auto p : at)
      if (p % 3 == channel) y.push_back(p < samples.SampleCount() ? samples.values8[p] & 1 : 0);
    const std::size_t first = bits.size() * before / places, last = bits.size() * (before + y.size()) / places;
    TrellisCode::Syndrome(y, std::span(bits).subspan(first, last - first));
    before += y.size();
  }
  return ToBytes(bits);
}

TEST(StealthVectorTest, FixedRandomBytesGiveTheDocumentedPicture) {
  CoverSamples picture = VectorCover();
  const CoverSamples cover = picture;
  Salt salt;
  randombytes_buf(salt.data(), salt.size());  // 00 .. 0f
  const auto keys = DeriveStealthKeys("pw", salt, KdfCosts{});
  ASSERT_TRUE(keys);
  const std::vector<std::uint8_t> file = {'h', 'e', 'l', 'l', 'o'};

  StealthHider hider(picture, 2);  // the signs' key: 00 .. 1f
  ASSERT_TRUE(hider.HideSalt(salt));
  ASSERT_TRUE(hider.HideFile(*keys, salt, "txt", file));  // the stream's nonce: 00 .. 17

  const PlacePermutation pub(PublicPlacesKey(), cover.SampleCount()), keyed(keys->places, cover.SampleCount(), 3);
  std::vector<std::uint64_t> first(4);
  pub.Fill(0, 4, first.data());
  EXPECT_EQ(first, (std::vector<std::uint64_t>{31257, 35371, 14434, 2573}));
  keyed.Fill(0, 4, first.data());
  EXPECT_EQ(first, (std::vector<std::uint64_t>{363, 364, 365, 41577}));
  EXPECT_EQ(Hex(keys->places), "d1ce1aa5719e69b31fe85d4617bc8a43ac86a9c41f2c1bedbce491290b849b3e");
  EXPECT_EQ(Hex(keys->stream), "a66f4ecce7b054396a51cd7095658519ed41b21130118dbf952661485e1bb8dc");

  // What the picture's places carry: the salt, the frame, the body.
  EXPECT_EQ(Hex(StealthReader(picture, 1).ReadSalt()), "000102030405060708090a0b0c0d0e0f");
  const auto frame_bytes = Syndrome(picture, keyed, 0, kFramePlaces, kFrameSize);
  EXPECT_EQ(Hex(frame_bytes),
            "000102030405060708090a0b0c0d0e0f1011121314151617"
            "ed9b7cb3ad5cb4d8a395eea311f04d5dbfcbd8a9135d0ff496574f17d6670078915ad5a813");
  StealthOpener opener(keys->stream);
  const auto frame = opener.OpenFrame(frame_bytes, salt);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->extension, "txt");
  EXPECT_EQ(frame->file_length, 5u);
  EXPECT_EQ(frame->body_places, 1497u);
  const auto body = BodySyndrome(picture, keyed, frame->body_places, BodyLength(5));
  EXPECT_EQ(Hex(body), "b94c552d9feca089885f91a1c6e5c5f32fdf82b1fb9c");
  const auto opened = opener.OpenBody(body, 5);
  ASSERT_TRUE(opened);
  EXPECT_EQ(*opened, file);

  std::uint8_t digest[32];
  crypto_generichash(digest, sizeof digest, picture.values8.data(), picture.values8.size(), nullptr, 0);
  EXPECT_EQ(hider.changes(), 182u);
  EXPECT_EQ(Hex(digest), "6c79c6f2a7fd8ba419edbf21212add7e0e7103107efba9e6a2b7363444ae1a7a");
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string Documented(const std::string& name) { return test::DocumentedHex(VEILWRIGHT_FORMAT_DOC, name); }

// Layout 2, as docs/format.md gives it: the vector's picture and file, the
// file named "hello.txt". The code makes the documented frame, body and
// picture; libsodium alone opens the documented frame and body to the
// documented plain bytes.
TEST(StealthVectorTest, TheNamedFileGivesTheDocumentedLayout2Picture) {
  CoverSamples picture = VectorCover();
  const CoverSamples cover = picture;
  Salt salt;
  randombytes_buf(salt.data(), salt.size());
  const auto keys = DeriveStealthKeys("pw", salt, KdfCosts{});
  ASSERT_TRUE(keys);
  const std::vector<std::uint8_t> file = {'h', 'e', 'l', 'l', 'o'};
  StealthHider hider(picture, 2);
  ASSERT_TRUE(hider.HideSalt(salt));
  ASSERT_TRUE(hider.HideFile(*keys, salt, NameLabel("hello.txt"), file));

  const PlacePermutation keyed(keys->places, cover.SampleCount(), 3);
  const auto frame_bytes = Syndrome(picture, keyed, 0, kFramePlaces, kFrameSize);
  std::printf("frame: %s\n", Hex(frame_bytes).c_str());
  EXPECT_EQ(Hex(frame_bytes), Documented("stealth-layout-2-frame"));
  StealthOpener opener(keys->stream);
  const auto frame = opener.OpenFrame(frame_bytes, salt);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->layout, kNameLayout);
  EXPECT_EQ(frame->name_length, 9u);
  EXPECT_EQ(frame->file_length, 5u);
  std::printf("body places: %llu\n", static_cast<unsigned long long>(frame->body_places));
  EXPECT_EQ(std::to_string(frame->body_places), Documented("stealth-layout-2-places"));
  const auto body = BodySyndrome(picture, keyed, frame->body_places, BodyLength(14));
  std::printf("body: %s\n", Hex(body).c_str());
  EXPECT_EQ(Hex(body), Documented("stealth-layout-2-body"));
  std::uint8_t digest[32];
  crypto_generichash(digest, sizeof digest, picture.values8.data(), picture.values8.size(), nullptr, 0);
  std::printf("changes: %llu digest: %s\n", static_cast<unsigned long long>(hider.changes()),
              Hex(digest).c_str());
  EXPECT_EQ(std::to_string(hider.changes()), Documented("stealth-layout-2-changes"));
  EXPECT_EQ(Hex(digest), Documented("stealth-layout-2-samples"));

  // The documented bytes, opened with libsodium alone under the stream key.
  const auto sealed_frame = FromHex(Documented("stealth-layout-2-frame"));
  const auto sealed_body = FromHex(Documented("stealth-layout-2-body"));
  ASSERT_EQ(sealed_frame.size(), kFrameSize);
  ASSERT_EQ(sealed_body.size(), 14 + kStreamOverhead);
  crypto_secretstream_xchacha20poly1305_state state;
  ASSERT_EQ(crypto_secretstream_xchacha20poly1305_init_pull(&state, sealed_frame.data(), keys->stream.data()), 0);
  std::vector<std::uint8_t> plain(kFramePlainSize), content(14);
  unsigned long long size = 0;
  unsigned char tag = 0;
  ASSERT_EQ(crypto_secretstream_xchacha20poly1305_pull(&state, plain.data(), &size, &tag, sealed_frame.data() + 24,
                                                       kFramePlainSize + kStreamOverhead, salt.data(), salt.size()),
            0);
  EXPECT_EQ(Hex(plain), Documented("stealth-layout-2-frame-plain"));
  ASSERT_EQ(crypto_secretstream_xchacha20poly1305_pull(&state, content.data(), &size, &tag, sealed_body.data(),
                                                       sealed_body.size(), nullptr, 0),
            0);
  EXPECT_EQ(tag, crypto_secretstream_xchacha20poly1305_TAG_FINAL);
  EXPECT_EQ(Hex(content), Documented("stealth-layout-2-body-plain"));
}

// Files at the body's chunk boundaries, hidden as in the vector but with
// Argon2id at libsodium's least, in the vector's cover made large enough:
// each gives the picture whose samples have this SHA-256, made once by a
// build that follows docs/format.md, and opens again.
TEST(StealthVectorTest, FilesAtTheChunkBoundariesGiveFixedPictures) {
  struct Case {
    std::size_t size;
    std::uint32_t width, height;
    const char* sha256;
  };
  const Case cases[] = {
      {0, 128, 128, "b3dce804a7f50746234bce93e15d808b78a1f1810c7d8eda36270a42224f6fa8"},
      {1, 128, 128, "c7a3afa45fa2332dfeec5b6ca165c371e412a6d3c6959fcac4fc9dd08293c593"},
      {65535, 640, 480, "bcfaacd2f21886e459bd93b422e8b94810059c212f442e5938e5617813874be5"},
      {65536, 640, 480, "17d5186c7a1fff0e8c281d7fd6b350f29f05b2b3c1edc37ab87139bb6343d832"},
      {65537, 640, 480, "451b7cbfc35b350b13dd79685ac457c9540dfdbef79720baf8bab8f885f48541"},
      {131072, 1024, 768, "f85afde1db7bdacc570143da875a4e41ba16562947614752e8549e661c35f12a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    CoverSamples picture = VectorCover(c.width, c.height);
    std::vector<std::uint8_t> file(c.size);
    for (std::size_t i = 0; i < file.size(); ++i)
      file[i] = static_cast<std::uint8_t>((std::uint64_t{i} * 2654435761u) >> 13);
    Salt salt;
    randombytes_buf(salt.data(), salt.size());
    const auto keys = DeriveStealthKeys("pw", salt, KdfCosts{1, 8});
    ASSERT_TRUE(keys);
    StealthHider hider(picture, 2);
    ASSERT_TRUE(hider.HideSalt(salt));
    ASSERT_TRUE(hider.HideFile(*keys, salt, "bin", file));

    std::uint8_t digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, picture.values8.data(), picture.values8.size());
    EXPECT_EQ(Hex(digest), c.sha256);

    StealthReader reader(picture, 2);
    ASSERT_EQ(Hex(reader.ReadSalt()), Hex(salt));
    const auto frame = reader.ReadFrame(*keys, salt);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->extension, "bin");
    EXPECT_EQ(frame->file_length, c.size);
    const auto back = reader.ReadFile(*keys, *frame);
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == file);
  }
}

}  // namespace
}  // namespace veil::codec::stealth

int main(int argc, char** argv) {
  // Before libsodium starts: every draw must come from the counting source.
  if (randombytes_set_implementation(&veil::codec::stealth::kCounting) != 0 || sodium_init() < 0) return 1;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
