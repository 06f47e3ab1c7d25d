// The sealed form (format version 2): round trips of every size that
// matters, and the properties that make it a seal: a wrong password or any
// changed or missing byte opens nothing, and nothing of the file, the
// extension or the password shows in the picture.
#include <gtest/gtest.h>

#include <random>

#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/seal/seal_password.h"
#include "files/memory_file.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

using codec::OpenedSeal;
using codec::RunStatus;

// The cheapest derivation the format allows: these tests are about the seal.
const codec::SealParams kQuick{1, 8, codec::seal::kDefaultChunkLog2};
constexpr std::size_t kChunk = 1 << codec::seal::kDefaultChunkLog2;

class Quiet final : public codec::RunObserver {};

auto Buffer(Bytes bytes = {}) { return std::make_shared<Bytes>(std::move(bytes)); }

class SealTest : public ::testing::Test {
 protected:
  // A cover with room for a sealed file of file_length bytes and spare bytes.
  static Bytes CoverFor(std::uint64_t file_length, std::size_t spare = 100, std::uint32_t offset = 54) {
    const auto sealed = codec::SealedLength(file_length, kQuick);
    return MakeBmp(offset + carrier::BytesNeeded(sealed) + spare, offset, 24, static_cast<std::uint32_t>(file_length));
  }
  // Seals data into cover, in place or into a copy.
  Bytes Seal(const Bytes& cover, const Bytes& data, const std::string& password, bool into_copy = false,
             const std::string& extension = "txt") {
    const auto key = codec::SealKey::Derive(password, kQuick);
    EXPECT_TRUE(key);
    auto picture = Buffer(cover), copy = Buffer();
    MemoryFile picture_file(picture), payload(Buffer(data)), copy_file(copy);
    const auto result =
        codec::Embed({picture_file, payload, into_copy ? &copy_file : nullptr, extension, std::nullopt, &*key}, quiet);
    EXPECT_TRUE(result.ok()) << static_cast<int>(result.status);
    if (into_copy) {
      EXPECT_EQ(*picture, cover) << "the copy's picture changed";
    }
    return into_copy ? *copy : *picture;
  }
  // Opens and extracts; the output holds whatever the run wrote.
  codec::RunResult Unseal(const Bytes& picture, const std::string& password, Bytes& output,
                          std::string* extension = nullptr) {
    MemoryFile cover(Buffer(picture));
    const auto facts = carrier::ReadCarrierFacts(cover);
    OpenedSeal opened = codec::OpenSeal(cover, facts, password);
    if (extension) *extension = opened.extension;
    auto out = Buffer();
    MemoryFile out_file(out);
    codec::RunResult result;
    if (opened.status == OpenedSeal::Status::kOpened) {
      result = codec::Extract({cover, out_file, std::nullopt, &*opened.key}, quiet);
    } else {
      result = opened.status == OpenedSeal::Status::kWrongPassword ? RunStatus::kWrongPassword : RunStatus::kDamaged;
    }
    output = *out;
    return result;
  }
  Quiet quiet;
};

TEST_F(SealTest, RoundTripsAtEverySizeThatMattersAndWithEveryKindOfPassword) {
  // The extension's 3 bytes come first, so a chunk is full at kChunk - 3.
  const std::vector<std::uint64_t> sizes = {
      0, 1, 2, kChunk - 4, kChunk - 3, kChunk - 2, 2 * kChunk - 3, 2 * kChunk - 2, 200000};
  const std::vector<std::string> passwords = {"s3cret pass", "密码很长很长", "x", std::string(100, 'p'),
                                              "\xF0\x9F\x94\x91 key"};
  std::mt19937 random(5);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const std::string& password = passwords[i % passwords.size()];
    const bool into_copy = i % 2 == 1;
    SCOPED_TRACE("size " + std::to_string(sizes[i]) + (into_copy ? ", into a copy" : ", in place"));
    const Bytes data = RandomBytes(sizes[i], static_cast<std::uint32_t>(random()));
    const Bytes cover = CoverFor(sizes[i], i * 7, i % 3 == 0 ? 54 : 122);
    const Bytes picture = Seal(cover, data, password, into_copy, "b.c");
    EXPECT_EQ(U32At(picture, 6) >> 28, 2u) << "the marker's version is 2";
    EXPECT_EQ(U32At(picture, 6) & 0x0F000000, 0u) << "no other flag";
    Bytes output;
    std::string extension;
    ASSERT_TRUE(Unseal(picture, password, output, &extension).ok());
    EXPECT_EQ(output, data);
    EXPECT_EQ(extension, "b.c");
  }
}

// The format's largest chunks (2^20 bytes) and its smallest (2^12), each
// over a chunk's edge: sealed and opened like the default ones.
TEST_F(SealTest, ChunksAtTheFormatsLimitsRoundTrip) {
  for (const std::uint8_t log2 : {std::uint8_t{20}, std::uint8_t{12}}) {
    const codec::SealParams params{1, 8, log2};
    const std::size_t chunk = std::size_t{1} << log2;
    const Bytes data = RandomBytes(chunk + 1000, log2);  // two chunks, the extension's 3 bytes first
    const auto key = codec::SealKey::Derive("pw", params);
    ASSERT_TRUE(key);
    const auto sealed = codec::SealedLength(data.size(), params);
    EXPECT_EQ(sealed, 52u + 3 + data.size() + 2 * 17);
    auto picture = Buffer(MakeBmp(54 + carrier::BytesNeeded(sealed) + 30));
    MemoryFile picture_file(picture), payload(Buffer(data));
    ASSERT_TRUE(codec::Embed({picture_file, payload, nullptr, "bin", std::nullopt, &*key}, quiet).ok());
    EXPECT_EQ(U32At(*picture, 6), 0x20000000u | static_cast<std::uint32_t>(sealed));
    EXPECT_EQ(codec::SealedFileLength(sealed, chunk), data.size());
    Bytes output;
    std::string extension;
    ASSERT_TRUE(Unseal(*picture, "pw", output, &extension).ok()) << int{log2};
    EXPECT_EQ(output, data);
    EXPECT_EQ(extension, "bin");
  }
}

// Typed passwords are sealed in their composed form; opening tries the
// bytes as typed and then the composed form, so every spelling of a
// password opens a new seal, and an old seal of decomposed bytes opens
// with those bytes.
TEST_F(SealTest, APasswordOpensInEverySpellingOfIt) {
  const std::string composed = "\xC3\xA9t\xC3\xA9", decomposed = "e\xCC\x81te\xCC\x81";
  const auto forms = codec::PasswordForms(decomposed);
  EXPECT_TRUE(forms.utf8);
  EXPECT_EQ(forms.sealing, composed);
  EXPECT_EQ(forms.opening, (std::vector<std::string>{decomposed, composed}));
  EXPECT_EQ(codec::PasswordForms(composed).opening, std::vector<std::string>{composed});
  for (const char* invalid :
       {"\xFF", "ab\xC3", "\xED\xA0\x80", "\xC0\xAF"}) {  // a stray byte, cut, a surrogate, overlong
    EXPECT_FALSE(codec::PasswordForms(invalid).utf8) << invalid;
    EXPECT_EQ(codec::PasswordForms(invalid).opening, std::vector<std::string>{invalid});
  }
  const Bytes data = RandomBytes(100, 12);
  const Bytes old_seal = Seal(CoverFor(data.size()), data, decomposed);
  Bytes output;
  EXPECT_TRUE(Unseal(old_seal, decomposed, output).ok());
  const Bytes new_seal = Seal(CoverFor(data.size()), data, forms.sealing);
  for (const std::string& typed : {composed, decomposed}) {
    EXPECT_TRUE(Unseal(new_seal, typed, output).ok());
    EXPECT_EQ(output, data);
  }
}

TEST_F(SealTest, TheLargestFileThatFitsFitsAndOneMoreDoesNot) {
  const Bytes cover = MakeBmp(54 + 12 + 12 * 30000);
  const auto largest = codec::LargestSealedFile(carrier::CapacityBytes(cover.size(), 54), kQuick);
  ASSERT_TRUE(largest);
  const Bytes data = RandomBytes(*largest, 9);
  Bytes output;
  ASSERT_TRUE(Unseal(Seal(cover, data, "pw"), "pw", output).ok());
  EXPECT_EQ(output, data);

  const auto key = codec::SealKey::Derive("pw", kQuick);
  MemoryFile picture(Buffer(cover)), payload(Buffer(RandomBytes(*largest + 1, 9)));
  const auto result = codec::Embed({picture, payload, nullptr, "txt", std::nullopt, &*key}, quiet);
  EXPECT_EQ(result.status, RunStatus::kTooLarge);
  EXPECT_EQ(result.capacity, *largest);
}

TEST_F(SealTest, AWrongPasswordOpensNothingAndWritesNothing) {
  const Bytes picture = Seal(CoverFor(5000), RandomBytes(5000, 2), "right");
  for (const char* wrong : {"Right", "right ", "", "righ"}) {
    Bytes output{1, 2, 3};
    EXPECT_EQ(Unseal(picture, wrong, output).status, RunStatus::kWrongPassword) << wrong;
    EXPECT_TRUE(output.empty());
  }
  // Without its key, the extraction itself refuses before writing.
  MemoryFile cover(Buffer(picture));
  auto out = Buffer();
  MemoryFile out_file(out);
  EXPECT_EQ(codec::Extract({cover, out_file, std::string("right")}, quiet).status, RunStatus::kWrongPassword);
  EXPECT_TRUE(out->empty());
}

// Any one bit flipped in the sealed bytes, anywhere, is caught; so is a cut.
TEST_F(SealTest, EveryFlippedBitAndEveryCutIsDetected) {
  const Bytes data = RandomBytes(2 * kChunk + 500, 3);
  const Bytes picture = Seal(CoverFor(data.size()), data, "pw");
  const std::uint64_t sealed = U32At(picture, 6) & 0xFFFFFF;
  const auto sealed_bytes = ReferenceExtract([&] {
                              Bytes v1 = picture;
                              PutU32(v1, 6, 0x10000000 | static_cast<std::uint32_t>(sealed));
                              return v1;
                            }())
                                .data;
  ASSERT_EQ(sealed_bytes.size(), sealed);
  std::mt19937 random(8);
  std::vector<std::uint64_t> positions = {
      0,          1,           2,         3, 4, 8, 12, 27, 28, 51, 52, 60, 52 + kChunk + 16, 52 + kChunk + 17,
      sealed / 2, sealed - 17, sealed - 1};
  for (int i = 0; i < 20; ++i) positions.push_back(random() % sealed);
  for (std::uint64_t at : positions) {
    Bytes changed = sealed_bytes;
    changed[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    const Bytes tampered = ReferenceHide(CoverFor(data.size()), changed, "", "", false);
    Bytes v2 = tampered;
    PutU32(v2, 6, 0x20000000 | static_cast<std::uint32_t>(sealed));
    Bytes output;
    EXPECT_FALSE(Unseal(v2, "pw", output).ok()) << "a flipped bit at sealed byte " << at << " went unnoticed";
    // Nothing reaches the output before the last chunk has opened.
    EXPECT_TRUE(output.empty()) << output.size() << " bytes written before sealed byte " << at << " failed";
  }

  // A marker that claims one chunk less: the chunks end before the final one.
  const std::uint64_t last_chunk = 3 + data.size() - 2 * kChunk + 17;
  Bytes cut = picture;
  PutU32(cut, 6, 0x20000000 | static_cast<std::uint32_t>(sealed - last_chunk));
  Bytes output;
  const auto truncated = Unseal(cut, "pw", output);
  EXPECT_EQ(truncated.status, RunStatus::kSealBroken);
  EXPECT_EQ(truncated.seal.kind, codec::SealProblem::Kind::kTruncated);

  // A picture cut short on disk is damaged, and says so before anything opens.
  Bytes short_file = picture;
  short_file.resize(54 + 12 + carrier::BytesNeeded(sealed) - 30);
  EXPECT_FALSE(Unseal(short_file, "pw", output).ok());
}

// What version 1 would gather from a sealed picture is ciphertext: no run of
// the file's bytes, the extension and password nowhere; and the 12 bytes at
// the pixel-data offset stay the cover's own.
TEST_F(SealTest, NothingOfTheFileOrThePasswordShowsInThePicture) {
  Bytes data = RandomBytes(3000, 4);
  const std::string marker_text = "the secret plan: meet at noon";
  std::copy(marker_text.begin(), marker_text.end(), data.begin() + 100);
  const Bytes cover = CoverFor(data.size());
  const Bytes picture = Seal(cover, data, "hunter22", false, "pdf");
  EXPECT_TRUE(std::equal(cover.begin() + 54, cover.begin() + 66, picture.begin() + 54))
      << "the 12 bytes at the pixel-data offset changed";
  Bytes as_v1 = picture;
  PutU32(as_v1, 6, 0x10000000 | (U32At(picture, 6) & 0xFFFFFF));
  const auto gathered = ReferenceExtract(as_v1).data;
  auto contains = [&](const std::string& needle) {
    return std::search(gathered.begin(), gathered.end(), needle.begin(), needle.end()) != gathered.end();
  };
  EXPECT_FALSE(contains(marker_text.substr(0, 12)));
  EXPECT_FALSE(contains(std::string(data.begin() + 2000, data.begin() + 2016)));
  EXPECT_FALSE(contains("hunter22"));
  EXPECT_FALSE(contains("pdf"));
  const std::string everything(picture.begin(), picture.end());
  EXPECT_EQ(everything.find("hunter22"), std::string::npos);
}

// A picture that asks for absurd costs is refused before any work is done.
TEST_F(SealTest, HostileCostsAreRefusedBeforeAnyWork) {
  const Bytes data = RandomBytes(100, 6);
  const Bytes picture = Seal(CoverFor(data.size()), data, "pw");
  const std::uint64_t sealed = U32At(picture, 6) & 0xFFFFFF;
  Bytes as_v1 = picture;
  PutU32(as_v1, 6, 0x10000000 | static_cast<std::uint32_t>(sealed));
  const Bytes bytes = ReferenceExtract(as_v1).data;
  Bytes hostile_base = bytes;
  for (const auto& [at, value] : std::vector<std::pair<std::size_t, std::uint32_t>>{
           {8, 2u * 1024 * 1024},  // 2 GiB of memory
           {4, 1000},              // a thousand passes
           {4, 0},                 // none
           {4, 5},                 // each cost within its limit, their product (5 x 1 GiB) not
       }) {
    if (at == 4 && value == 5) PutU32(hostile_base, 8, 1024 * 1024);
    Bytes hostile = hostile_base;
    PutU32(hostile, at, value);
    Bytes v2 = ReferenceHide(CoverFor(data.size()), hostile, "", "", false);
    PutU32(v2, 6, 0x20000000 | static_cast<std::uint32_t>(sealed));
    MemoryFile cover(Buffer(v2));
    const auto facts = carrier::ReadCarrierFacts(cover);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(codec::OpenSeal(cover, facts, "pw").status, OpenedSeal::Status::kUnacceptable) << at << "=" << value;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
  }
  // 3 passes over 1 GiB are within the cap once; a password typed in a
  // decomposed form is tried as typed and composed, two derivations, and
  // those are not. Refused before either.
  Bytes twice = bytes;
  PutU32(twice, 4, 3);
  PutU32(twice, 8, 1024 * 1024);
  Bytes v2 = ReferenceHide(CoverFor(data.size()), twice, "", "", false);
  PutU32(v2, 6, 0x20000000 | static_cast<std::uint32_t>(sealed));
  MemoryFile cover(Buffer(v2));
  const auto facts = carrier::ReadCarrierFacts(cover);
  ASSERT_TRUE(codec::ReadSealHeader(cover, facts)->Acceptable());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(codec::OpenSeal(cover, facts, "cafe\xCC\x81").status, OpenedSeal::Status::kUnacceptable);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace veil::test

namespace veil::test {
namespace {

// The plain form's largest file, 16,777,215 bytes, is hidden and read back
// whole in a picture that has room for it.
TEST(PlainLimitsTest, TheLargestFileIsHidden) {
  constexpr std::size_t kLargest = 16777215;
  auto picture = std::make_shared<Bytes>(MakeBmp(54 + 12 + 12 * (kLargest / 3) + 16));
  const auto file = std::make_shared<Bytes>(RandomBytes(kLargest, 3));
  MemoryFile cover(picture), payload(file);
  codec::RunObserver quiet;
  ASSERT_TRUE(codec::Embed({cover, payload, nullptr, "bin", std::nullopt, nullptr}, quiet).ok());
  EXPECT_EQ(U32At(*picture, 6), 0x10000000u + kLargest);
  auto back = std::make_shared<Bytes>();
  MemoryFile out(back);
  ASSERT_TRUE(codec::Extract({cover, out, std::nullopt, nullptr}, quiet).ok());
  EXPECT_TRUE(*back == *file);
}

// The limits as the format states them: passes x memory at most 4 x 1 GiB
// (libsodium's sensitive level), each cost alone within its own limit.
TEST(SealLimitsTest, PassesTimesMemoryIsCappedAtTheSensitiveLevel) {
  codec::SealHeader header;
  header.layout = codec::seal::kNameLayout;
  header.derivation = codec::seal::kArgon2id13;
  header.params = {4, 1024 * 1024, 16};
  EXPECT_TRUE(header.Acceptable());
  header.params = {64, 64 * 1024, 16};
  EXPECT_TRUE(header.Acceptable());
  header.params = {5, 1024 * 1024, 16};
  EXPECT_FALSE(header.Acceptable());
  header.params = {64, 64 * 1024 + 1, 16};
  EXPECT_FALSE(header.Acceptable());
  // Each limit alone, at it and one past it.
  const std::pair<codec::SealParams, bool> each[] = {
      {{1, 8, 16}, true},
      {{0, 8, 16}, false},
      {{1, 7, 16}, false},
      {{64, 8, 16}, true},
      {{65, 8, 16}, false},
      {{1, 1024 * 1024, 16}, true},
      {{1, 1024 * 1024 + 1, 16}, false},
      {{1, 8, 12}, true},
      {{1, 8, 11}, false},
      {{1, 8, 20}, true},
      {{1, 8, 21}, false},
  };
  for (const auto& [params, acceptable] : each) {
    header.params = params;
    EXPECT_EQ(header.Acceptable(), acceptable)
        << params.operations << " passes, " << params.memory_kib << " KiB, chunks of 2^" << int{params.chunk_log2};
  }
  // New seals ask 3 passes over 256 MiB, and what asks more is told apart.
  EXPECT_EQ(codec::DefaultSealParams().operations, 3u);
  EXPECT_EQ(codec::DefaultSealParams().memory_kib, 256u * 1024);
  EXPECT_FALSE(codec::AsksMoreThanDefault(codec::DefaultSealParams()));
  EXPECT_TRUE(codec::AsksMoreThanDefault({4, 8, 16}));
  EXPECT_TRUE(codec::AsksMoreThanDefault({1, 256 * 1024 + 1, 16}));
}

}  // namespace
}  // namespace veil::test
