// The stealth form's layout 2: the file's own name rides at the body's
// front, made safe when it is stored and again when a picture claims it;
// pictures of layout 1 keep opening with their extension.
#include <gtest/gtest.h>

#include <memory>

#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "files/safe_file_name.h"
#include "support/png_test_files.h"
#include "support/raw_names.h"

namespace veil::test {
namespace {

constexpr codec::stealth::KdfCosts kQuick{1, 8};

class StealthNamesTest : public ::testing::Test {
 protected:
  void SetUp() override { png = EncodePng(MakeTestPicture(256, 192, 2, 8, false, 21)); }
  codec::RunResult Hide(const Bytes& secret, const std::optional<std::string>& name, Bytes& picture) {
    MemoryFile cover(std::make_shared<Bytes>(png)), payload(std::make_shared<Bytes>(secret));
    auto copy_bytes = std::make_shared<Bytes>();
    MemoryFile copy(copy_bytes);
    codec::StealthHideRequest request{cover, payload, copy, "bin", "pass"};
    request.costs = kQuick;
    request.file_name = name;
    const codec::RunResult result = codec::HideStealth(request, observer);
    picture = *copy_bytes;
    return result;
  }
  codec::OpenedStealth Open(const Bytes& picture) {
    MemoryFile file(std::make_shared<Bytes>(picture));
    return codec::OpenStealth({file, "pass", kQuick}, observer);
  }
  Bytes png;
  codec::RunObserver observer;
};

TEST_F(StealthNamesTest, NamesOfEveryShapeComeBackWithTheirFiles) {
  const std::string kNames[] = {"my notes.txt", "報告書 2026 年.pdf", "backup.tar.gz", "Makefile",
                                std::string(250, 'n') + ".docx"};
  std::uint32_t seed = 1;
  for (const std::string& name : kNames) {
    SCOPED_TRACE(name);
    const Bytes secret = RandomBytes(300 + seed, seed);
    ++seed;
    Bytes picture;
    ASSERT_TRUE(Hide(secret, name, picture).ok());
    const codec::OpenedStealth opened = Open(picture);
    ASSERT_TRUE(opened.result.ok());
    EXPECT_EQ(opened.file_name, SafeFileName(name));
    EXPECT_EQ(opened.extension, "");
    EXPECT_EQ(opened.file, secret);
    EXPECT_EQ(opened.result.bytes, secret.size());
  }
  EXPECT_EQ(SafeFileName(std::string(250, 'n') + ".docx").size(), 255u);
}

TEST_F(StealthNamesTest, ANameIsMadeSafeBeforeItIsStored) {
  Bytes picture;
  ASSERT_TRUE(Hide(RandomBytes(100, 2), "../../home/x/CON.txt", picture).ok());
  EXPECT_EQ(Open(picture).file_name, "_CON.txt");
}

// Names a hostile picture may claim, written with the hider directly: what
// the opener gives back is always safe to create.
TEST_F(StealthNamesTest, WhatAPictureClaimsIsMadeSafeWhenItOpens) {
  const Bytes secret = RandomBytes(200, 3);
  const struct {
    std::string claimed, opened;
  } cases[] = {
      {"../../x", "x"},       {"C:\\x", "x"},         {"CON.txt", "_CON.txt"},
      {"tab\there.", "tab_here"}, {"", std::string(kFallbackFileName)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.claimed);
    const codec::OpenedStealth opened = Open(StealthWithRawName(png, c.claimed, secret, "pass", kQuick));
    ASSERT_TRUE(opened.result.ok());
    EXPECT_EQ(opened.file_name, c.opened);
    EXPECT_EQ(opened.file, secret);
  }
}

TEST_F(StealthNamesTest, WithoutANameThePictureHoldsTheExtensionAsBefore) {
  const Bytes secret = RandomBytes(100, 4);
  Bytes picture;
  ASSERT_TRUE(Hide(secret, std::nullopt, picture).ok());
  const codec::OpenedStealth opened = Open(picture);
  ASSERT_TRUE(opened.result.ok());
  EXPECT_FALSE(opened.file_name);
  EXPECT_EQ(opened.extension, "bin");
  EXPECT_EQ(opened.file, secret);
}

// The name rides in the body: the largest file with it is the measured
// capacity less the name, and one byte more is refused with that capacity.
TEST_F(StealthNamesTest, TheNameCountsAgainstTheCapacity) {
  MemoryFile cover(std::make_shared<Bytes>(png));
  const std::uint64_t largest = codec::MeasureStealthCapacity(cover).largest_file;
  const std::string name = "quarterly report.xlsx";
  ASSERT_GT(largest, name.size() + 10);
  Bytes picture;
  const codec::RunResult refused = Hide(RandomBytes(largest - name.size() + 1, 5), name, picture);
  EXPECT_EQ(refused.status, codec::RunStatus::kTooLarge);
  EXPECT_EQ(refused.capacity, largest - name.size());
  const Bytes secret = RandomBytes(largest - name.size(), 6);
  ASSERT_TRUE(Hide(secret, name, picture).ok());
  EXPECT_EQ(Open(picture).file, secret);
}

}  // namespace
}  // namespace veil::test
