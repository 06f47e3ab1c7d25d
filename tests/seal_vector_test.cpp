// The sealed form's test vector (docs/format.md): with the salt and the
// stream's nonce fixed, which only a test may do, sealing "hello" as .txt
// under the password "pw" with 2 passes over 64 MiB gives exactly these bytes.
#include <gtest/gtest.h>
#include <sodium.h>

#include <cstring>

#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "files/memory_file.h"
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
randombytes_implementation kCounting = {[] { return "counting"; }, CountingRandom, nullptr, nullptr, CountingBytes,
                                        nullptr};

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

}  // namespace
}  // namespace veil::test

int main(int argc, char** argv) {
  // Before libsodium starts: the nonce must come from the counting source.
  randombytes_set_implementation(&veil::test::kCounting);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
