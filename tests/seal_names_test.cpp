// The sealed form's layout 2: the file's own name travels inside the seal,
// made safe when it is stored and again when a picture claims it; seals of
// layout 1 keep opening with their extension.
#include <gtest/gtest.h>

#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/seal/sealed_stream.h"
#include "files/memory_file.h"
#include "files/safe_file_name.h"
#include "support/raw_names.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

using codec::OpenedSeal;

const codec::SealParams kQuick{1, 8, codec::seal::kDefaultChunkLog2};

class Quiet final : public codec::RunObserver {};

auto Buffer(Bytes bytes = {}) { return std::make_shared<Bytes>(std::move(bytes)); }

std::string LongCjkName() {
  std::string name;
  for (int i = 0; i < 90; ++i) name += "長";  // 270 bytes
  return name + ".txt";
}

class SealNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key = codec::SealKey::Derive("pw", kQuick);
    ASSERT_TRUE(key);
  }
  // data sealed under the name, in a cover with room to spare.
  Bytes Seal(const Bytes& data, const std::optional<std::string>& name, const std::string& extension = "bin") {
    auto picture = Buffer(MakeBmp(54 + carrier::BytesNeeded(codec::SealedLength(data.size(), kQuick, 300)) + 100));
    MemoryFile cover(picture), payload(Buffer(data));
    codec::EmbedRequest request{cover, payload, nullptr, extension, std::nullopt, &*key};
    request.file_name = name;
    EXPECT_TRUE(codec::Embed(request, quiet).ok());
    return *picture;
  }
  // What the password opens: the seal's word on the file, and the file.
  struct Opened {
    OpenedSeal seal;
    Bytes file;
  };
  Opened Open(const Bytes& picture) {
    MemoryFile cover(Buffer(picture));
    Opened opened{codec::OpenSeal(cover, carrier::ReadCarrierFacts(cover), "pw"), {}};
    if (opened.seal.status != OpenedSeal::Status::kOpened) return opened;
    auto out = Buffer();
    MemoryFile out_file(out);
    EXPECT_TRUE(codec::Extract({cover, out_file, std::nullopt, &*opened.seal.key}, quiet).ok());
    opened.file = *out;
    return opened;
  }
  std::optional<codec::SealKey> key;
  Quiet quiet;
};

TEST_F(SealNamesTest, NamesOfEveryShapeComeBackWithTheirFiles) {
  const std::string kNames[] = {"my notes.txt",  "報告書 2026 年.pdf", "backup.tar.gz", "Makefile", "a.7z",
                                "Makefile.am",   "photo.jpeg",          ".profile",      "x",
                                std::string(255, 'n')};
  std::uint32_t seed = 1;
  for (const std::string& name : kNames) {
    SCOPED_TRACE(name);
    const Bytes data = RandomBytes(700 + seed * 13, seed);
    ++seed;
    const Bytes picture = Seal(data, name);
    // The hidden length: the seal of the name's byte, the name and the file.
    EXPECT_EQ(carrier::HiddenLength(U32At(picture, 6)), codec::SealedLength(data.size(), kQuick, 1 + name.size()));
    const Opened opened = Open(picture);
    ASSERT_EQ(opened.seal.status, OpenedSeal::Status::kOpened);
    ASSERT_TRUE(opened.seal.file_name);
    EXPECT_EQ(*opened.seal.file_name, name);
    EXPECT_EQ(opened.seal.extension, "");
    EXPECT_EQ(opened.seal.file_length, data.size());
    EXPECT_EQ(opened.file, data);
  }
}

TEST_F(SealNamesTest, TheNameIsInsideTheSealAndTheHeaderSaysLayout2) {
  const Bytes picture = Seal(RandomBytes(100, 3), "secret-plans.odt");
  Bytes as_v1 = picture;
  PutU32(as_v1, 6, 0x10000000 | carrier::HiddenLength(U32At(picture, 6)));
  const Bytes hidden = ReferenceExtract(as_v1).data;
  EXPECT_EQ(hidden[0], codec::seal::kNameLayout);
  const std::string text(hidden.begin(), hidden.end());
  EXPECT_EQ(text.find("secret"), std::string::npos);
  EXPECT_EQ(text.find(".odt"), std::string::npos);
}

TEST_F(SealNamesTest, ANameIsMadeSafeBeforeItIsStoredAndLongOnesAreCut) {
  const Bytes data = RandomBytes(300, 4);
  const struct {
    std::string given, stored;
  } cases[] = {
      {"/home/user/../CON.txt", "_CON.txt"},
      {"C:\\Users\\me\\report.docx", "report.docx"},
      {"what?.txt", "what_.txt"},
      {"", std::string(kFallbackFileName)},
      {LongCjkName(), SafeFileName(LongCjkName())},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    const Opened opened = Open(Seal(data, c.given));
    ASSERT_EQ(opened.seal.status, OpenedSeal::Status::kOpened);
    EXPECT_EQ(opened.seal.file_name, c.stored);
    EXPECT_EQ(opened.file, data);
  }
  EXPECT_EQ(SafeFileName(LongCjkName()).size(), 4 + 83 * 3u);
}

// Names a hostile picture may claim, written past the request's making
// them safe: what the opener gives back is always safe to create.
TEST_F(SealNamesTest, WhatAPictureClaimsIsMadeSafeWhenItOpens) {
  const Bytes data = RandomBytes(500, 6);
  const struct {
    std::string claimed, opened;
  } cases[] = {
      {"../../x", "x"},
      {"C:\\x", "x"},
      {"/etc/passwd", "passwd"},
      {"CON.txt", "_CON.txt"},
      {"lpt1", "_lpt1"},
      {"bell\a\r\nname.txt", "bell___name.txt"},
      {"trailing dot.", "trailing dot"},
      {"blank ", "blank"},
      {"..", std::string(kFallbackFileName)},
      {"", std::string(kFallbackFileName)},
      {"\xff\xfe.txt", "__.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.claimed);
    const Opened opened = Open(SealedWithRawName(c.claimed, data, *key));
    ASSERT_EQ(opened.seal.status, OpenedSeal::Status::kOpened);
    EXPECT_EQ(opened.seal.file_name, c.opened);
    EXPECT_EQ(opened.seal.file_length, data.size());
    EXPECT_EQ(opened.file, data);
  }
}

// A lead that claims more name than its chunk holds was written by no
// version of this program: the seal does not open, and nothing is given.
TEST_F(SealNamesTest, ALeadLongerThanItsChunkDoesNotOpen) {
  MemoryFile payload(Buffer(Bytes{}));
  codec::SealingPayload sealing(payload, codec::SealLead{codec::seal::kNameLayout, {200, 'a', 'b'}}, *key);
  Bytes hidden(static_cast<std::size_t>(sealing.Size()));
  ReadExactly(sealing, 0, hidden);
  Bytes picture = ReferenceHide(MakeBmp(54 + 12 + 4 * (hidden.size() + 64)), hidden, "bin", "", false);
  PutU32(picture, 6, codec::seal::kVersion2 | static_cast<std::uint32_t>(hidden.size()));
  const Opened opened = Open(picture);
  EXPECT_NE(opened.seal.status, OpenedSeal::Status::kOpened);
  EXPECT_FALSE(opened.seal.file_name);
  EXPECT_FALSE(opened.seal.key);
}

TEST_F(SealNamesTest, WithoutANameTheSealHoldsTheExtensionAsLayout1AndOpensAsBefore) {
  const Bytes data = RandomBytes(1000, 7);
  const Bytes picture = Seal(data, std::nullopt, "pdf");
  EXPECT_EQ(carrier::HiddenLength(U32At(picture, 6)), codec::SealedLength(data.size(), kQuick));
  Bytes as_v1 = picture;
  PutU32(as_v1, 6, 0x10000000 | carrier::HiddenLength(U32At(picture, 6)));
  EXPECT_EQ(ReferenceExtract(as_v1).data[0], codec::seal::kExtensionLayout);
  const Opened opened = Open(picture);
  ASSERT_EQ(opened.seal.status, OpenedSeal::Status::kOpened);
  EXPECT_FALSE(opened.seal.file_name);
  EXPECT_EQ(opened.seal.extension, "pdf");
  EXPECT_EQ(opened.file, data);
}

// The name takes room: the largest file with it fits exactly, one byte
// more is refused with the capacity that name leaves.
TEST_F(SealNamesTest, TheNameCountsAgainstTheCapacity) {
  const std::string name = "quarterly report.xlsx";
  const Bytes cover = MakeBmp(54 + 12 + 8 * 700);
  const std::uint64_t capacity = carrier::CapacityBytes(cover.size(), 54);
  const auto largest = codec::LargestSealedFile(capacity, kQuick, 1 + name.size());
  ASSERT_TRUE(largest);
  EXPECT_EQ(*largest + name.size() + 1, *codec::LargestSealedFile(capacity, kQuick, 0));
  for (const std::uint64_t size : {*largest, *largest + 1}) {
    auto picture = Buffer(cover);
    MemoryFile cover_file(picture), payload(Buffer(RandomBytes(static_cast<std::size_t>(size), 8)));
    codec::EmbedRequest request{cover_file, payload, nullptr, "bin", std::nullopt, &*key};
    request.file_name = name;
    const codec::RunResult result = codec::Embed(request, quiet);
    if (size == *largest) {
      EXPECT_TRUE(result.ok());
      EXPECT_EQ(Open(*picture).seal.file_length, size);
    } else {
      EXPECT_EQ(result.status, codec::RunStatus::kTooLarge);
      EXPECT_EQ(result.capacity, *largest);
    }
  }
}

}  // namespace
}  // namespace veil::test
