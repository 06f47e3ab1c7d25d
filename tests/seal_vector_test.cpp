// The sealed form's test vector (docs/format.md): with the salt and the
// stream's nonce fixed, which only a test may do, sealing "hello" as .txt
// under the password "pw" with 2 passes over 64 MiB gives exactly these bytes.
#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <cstring>

#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "files/memory_file.h"
#include "support/documented_vector.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

// libsodium's random bytes, replaced for this program alone: the stream's
// 24-byte nonce comes out as 00 01 02 ... 17.
void CountingBytes(void* out, std::size_t size) {
  auto* bytes = static_cast<std::uint8_t*>(out);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
}
std::uint32_t CountingRandom() { return 0; }
randombytes_implementation kCounting = {
    [] { return "counting"; }, CountingRandom, nullptr, nullptr, CountingBytes, nullptr};

// Layout 1, Argon2id, 64 KiB chunks; 2 passes over 65536 KiB; the salt
// A0..AF; the nonce 00..17; then the one chunk: "txt" "hello", encrypted,
// with its 17 bytes of tag and overhead.
constexpr const char* kExpectedHex =
    "01021000"
    "02000000"
    "00000100"
    "a0a1a2a3a4a5a6a7a8a9aaabacadaeaf"
    "000102030405060708090a0b0c0d0e0f1011121314151617"
    "a5e7074c6ef2b2b58fcc54c383a70b179c314280e99230c6bc";

std::string Hex(const Bytes& bytes) {
  std::string hex;
  char two[3];
  for (auto b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

class Quiet final : public codec::RunObserver {};

TEST(SealVectorTest, FixedSaltAndNonceGiveTheDocumentedBytes) {
  std::array<std::uint8_t, codec::seal::kSaltSize> salt;
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(0xA0 + i);
  // The costs are given: the vector stays whatever the programs write by default.
  const auto key = codec::SealKey::Derive("pw", codec::SealParams{2, 65536, 16}, salt);
  ASSERT_TRUE(key);
  auto picture = std::make_shared<Bytes>(MakeBmp(54 + 12 + 12 * 40));
  MemoryFile cover(picture), payload(std::make_shared<Bytes>(Bytes{'h', 'e', 'l', 'l', 'o'}));
  Quiet quiet;
  ASSERT_TRUE(codec::Embed({cover, payload, nullptr, "txt", std::nullopt, &*key}, quiet).ok());
  EXPECT_EQ(U32At(*picture, 6), 0x2000004Du);
  Bytes as_v1 = *picture;
  PutU32(as_v1, 6, 0x1000004D);
  const Bytes sealed = ReferenceExtract(as_v1).data;
  std::printf("sealed bytes: %s\n", Hex(sealed).c_str());
  EXPECT_EQ(Hex(sealed), kExpectedHex);

  auto back = std::make_shared<Bytes>();
  MemoryFile out(back);
  const auto facts = carrier::ReadCarrierFacts(cover);
  auto opened = codec::OpenSeal(cover, facts, "pw");
  ASSERT_EQ(opened.status, codec::OpenedSeal::Status::kOpened);
  ASSERT_TRUE(codec::Extract({cover, out, std::nullopt, &*opened.key}, quiet).ok());
  EXPECT_EQ(*back, (Bytes{'h', 'e', 'l', 'l', 'o'}));
}

Bytes FromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(SealVectorTest, TheDocumentedLayout1VectorIsTheOneTheCodeGives) {
  EXPECT_EQ(DocumentedHex(VEILWRIGHT_FORMAT_DOC, "sealed-layout-1"), kExpectedHex);
}

// Layout 2: the same file named "hello.txt", otherwise as the vector above.
// The code seals it to the documented bytes, and libsodium alone opens the
// documented bytes to the documented plain stream.
TEST(SealVectorTest, TheNamedFileGivesTheDocumentedLayout2Bytes) {
  std::array<std::uint8_t, codec::seal::kSaltSize> salt;
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(0xA0 + i);
  const auto key = codec::SealKey::Derive("pw", codec::SealParams{2, 65536, 16}, salt);
  ASSERT_TRUE(key);
  auto picture = std::make_shared<Bytes>(MakeBmp(54 + 12 + 12 * 40));
  MemoryFile cover(picture), payload(std::make_shared<Bytes>(Bytes{'h', 'e', 'l', 'l', 'o'}));
  Quiet quiet;
  codec::EmbedRequest request{cover, payload, nullptr, "txt", std::nullopt, &*key};
  request.file_name = "hello.txt";
  ASSERT_TRUE(codec::Embed(request, quiet).ok());
  EXPECT_EQ(U32At(*picture, 6), 0x20000054u);
  Bytes as_v1 = *picture;
  PutU32(as_v1, 6, 0x10000054);
  const Bytes sealed = ReferenceExtract(as_v1).data;
  std::printf("sealed bytes: %s\n", Hex(sealed).c_str());
  const std::string documented = DocumentedHex(VEILWRIGHT_FORMAT_DOC, "sealed-layout-2");
  ASSERT_EQ(documented.size(), 2 * 84u);
  EXPECT_EQ(Hex(sealed), documented);

  const Bytes bytes = FromHex(documented),
              plain = FromHex(DocumentedHex(VEILWRIGHT_FORMAT_DOC, "sealed-layout-2-plain"));
  ASSERT_EQ(plain.size(), 15u);
  std::uint8_t derived[32];
  ASSERT_EQ(crypto_pwhash(derived, sizeof derived, "pw", 2, salt.data(), 2, 65536ull * 1024,
                          crypto_pwhash_ALG_ARGON2ID13),
            0);
  crypto_secretstream_xchacha20poly1305_state state;
  ASSERT_EQ(crypto_secretstream_xchacha20poly1305_init_pull(&state, bytes.data() + 28, derived), 0);
  Bytes opened(bytes.size() - 52 - 17);
  unsigned long long size = 0;
  unsigned char tag = 0;
  ASSERT_EQ(crypto_secretstream_xchacha20poly1305_pull(&state, opened.data(), &size, &tag, bytes.data() + 52,
                                                       bytes.size() - 52, bytes.data(), 28),
            0);
  EXPECT_EQ(tag, crypto_secretstream_xchacha20poly1305_TAG_FINAL);
  EXPECT_EQ(opened, plain);

  auto back = std::make_shared<Bytes>();
  MemoryFile out(back);
  auto sealed_picture = codec::OpenSeal(cover, carrier::ReadCarrierFacts(cover), "pw");
  ASSERT_EQ(sealed_picture.status, codec::OpenedSeal::Status::kOpened);
  EXPECT_EQ(sealed_picture.file_name, "hello.txt");
  ASSERT_TRUE(codec::Extract({cover, out, std::nullopt, &*sealed_picture.key}, quiet).ok());
  EXPECT_EQ(*back, (Bytes{'h', 'e', 'l', 'l', 'o'}));
}

// Files at the chunk boundaries, the plain stream being the extension's 3
// bytes and the file: sealed as in the vector but with Argon2id at
// libsodium's least, in one pseudo-random cover, each gives the picture
// with this SHA-256, made once by a build that follows docs/format.md, and
// opens again.
TEST(SealVectorTest, FilesAtTheChunkBoundariesGiveFixedPictures) {
  struct Case {
    std::size_t size;
    const char* sha256;
  };
  const Case cases[] = {
      {0, "48d78265af19d4855b21e63405d2485a535a5c0ab0d7a9f4cc99178ac2bec5ca"},
      {1, "6f7bd8dc81bcfc94873854b9b7817782308f40f26e2088cd11ca8cc12c0bd926"},
      {65533, "403fff636fe1e166eb4ee82edc814dc5a2b56f0150549cc3fa61b062969186b0"},
      {65535, "e2b0fe28394b0d086d79cd37a0c4bcead9086430bee732cec7611c0e983884a3"},
      {65536, "735ae26306c96487e20bb96ea9e2a980b951995f5f91f0ac1e29af6138c5f0c0"},
      {65537, "5862ac07007f8ad7dbf742045d24a379c057827d6dad74bc7598ea0dee809e32"},
      {131069, "3a6ca5c7c2c9b2aa4680f0b0d6706924b0b1bcbcb42ac7aec0526a5d785e9a33"},
      {131072, "2a7f42c04e55cdae52b71ce3f08f9a7f129fea78aa59b5fe4f005e29d6127309"},
  };
  std::array<std::uint8_t, codec::seal::kSaltSize> salt;
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(0xA0 + i);
  const auto key = codec::SealKey::Derive("pw", codec::SealParams{1, 8, 16}, salt);
  ASSERT_TRUE(key);
  Quiet quiet;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const auto file = std::make_shared<Bytes>(RandomBytes(c.size, 5));
    auto picture = std::make_shared<Bytes>(MakeBmp(54 + 12 + 4 * 131200));
    MemoryFile cover(picture), payload(file);
    ASSERT_TRUE(codec::Embed({cover, payload, nullptr, "bin", std::nullopt, &*key}, quiet).ok());
    const std::size_t chunks = std::max<std::size_t>(1, (3 + c.size + 65535) / 65536);
    EXPECT_EQ(U32At(*picture, 6), 0x20000000u + 52 + 3 + c.size + 17 * chunks);

    std::uint8_t digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, picture->data(), picture->size());
    EXPECT_EQ(Hex(Bytes(digest, digest + sizeof digest)), c.sha256);

    auto back = std::make_shared<Bytes>();
    MemoryFile out(back);
    auto opened = codec::OpenSeal(cover, carrier::ReadCarrierFacts(cover), "pw");
    ASSERT_EQ(opened.status, codec::OpenedSeal::Status::kOpened);
    EXPECT_EQ(opened.extension, "bin");
    EXPECT_EQ(opened.file_length, c.size);
    ASSERT_TRUE(codec::Extract({cover, out, std::nullopt, &*opened.key}, quiet).ok());
    EXPECT_TRUE(*back == *file);
  }
}

}  // namespace
}  // namespace veil::test

int main(int argc, char** argv) {
  // Before libsodium starts: the nonce must come from the counting source.
  randombytes_set_implementation(&veil::test::kCounting);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
