#include <gtest/gtest.h>

#include <random>

#include "codec/kernels/group_kernel.h"
#include "codec/plain/module2.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

using Group = std::array<std::uint8_t, 12>;

class BitPackingTest : public ::testing::Test {
 protected:
  Module2 codec;

  Group Place(Group cover, std::initializer_list<std::uint8_t> data) {
    codec.pixelGroup = cover;
    std::copy(data.begin(), data.end(), codec.dataGroup.begin());
    codec.PlaceDataGroup(static_cast<int>(data.size()));
    return codec.pixelGroup;
  }
  static Group Filled(std::uint8_t value) {
    Group g;
    g.fill(value);
    return g;
  }
};

TEST_F(BitPackingTest, WorkedVectorsOfWholeGroups) {
  EXPECT_EQ(Place(Filled(0x00), {0x61, 0x62, 0x63}),
            (Group{0x01, 0x00, 0x04, 0x02, 0x00, 0x04, 0x03, 0x00, 0x04, 0x01, 0x01, 0x01}));
  EXPECT_EQ(Place(Filled(0xFF), {0x61, 0x62, 0x63}),
            (Group{0xFD, 0xFE, 0xFC, 0xFE, 0xFE, 0xFC, 0xFF, 0xFE, 0xFC, 0xFD, 0xFF, 0xF9}));
  EXPECT_EQ(Place(Filled(0x00), {0xFF, 0xFF, 0xFF}),
            (Group{0x03, 0x01, 0x07, 0x03, 0x01, 0x07, 0x03, 0x01, 0x07, 0x03, 0x01, 0x07}));
  EXPECT_EQ(Place(Filled(0xFF), {0x00, 0x00, 0x00}),
            (Group{0xFC, 0xFE, 0xF8, 0xFC, 0xFE, 0xF8, 0xFC, 0xFE, 0xF8, 0xFC, 0xFE, 0xF8}));
}

TEST_F(BitPackingTest, PartialGroupsTouchOnlyTheirBytes) {
  EXPECT_EQ(Place(Filled(0x80), {0x61}),
            (Group{0x81, 0x80, 0x84, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x81, 0x80, 0x80}));
  EXPECT_EQ(Place(Filled(0x80), {0x61, 0x62}),
            (Group{0x81, 0x80, 0x84, 0x82, 0x80, 0x84, 0x80, 0x80, 0x80, 0x81, 0x81, 0x80}));
}

TEST_F(BitPackingTest, GatheringInvertsPlacingWhateverTheHighBits) {
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    Group cover;
    for (auto& b : cover) b = static_cast<std::uint8_t>(random());
    const std::uint8_t d0 = static_cast<std::uint8_t>(random()), d1 = static_cast<std::uint8_t>(random()),
                       d2 = static_cast<std::uint8_t>(random());
    codec.pixelGroup = Place(cover, {d0, d1, d2});
    codec.dataGroup = {static_cast<std::uint8_t>(~d0), static_cast<std::uint8_t>(~d1), 0x5A};
    codec.GatherDataGroup(3);
    ASSERT_EQ(codec.dataGroup, (std::array<std::uint8_t, 3>{d0, d1, d2}));
    for (int i = 0; i < 12; ++i) {
      const int carried = (i % 3 == 0) ? 0x03 : (i % 3 == 1) ? 0x01 : 0x07;
      ASSERT_EQ(codec.pixelGroup[static_cast<std::size_t>(i)] & ~carried, cover[static_cast<std::size_t>(i)] & ~carried)
          << "cover byte " << i << " changed beyond its low bits";
    }
  }
}

TEST_F(BitPackingTest, UnlistedInputsLeaveTheByteAloneAndBadIndexesThrow) {
  codec.pixelGroup = Filled(0xAA);
  codec.targetIndex = 0;
  for (auto [bits, op] : std::vector<std::pair<int, void (Module2::*)()>>{{4, &Module2::EmbedLow2},
                                                                          {1, &Module2::EmbedBit2},
                                                                          {7, &Module2::EmbedBits5to3},
                                                                          {32, &Module2::EmbedBits7to6},
                                                                          {128, &Module2::EmbedBit6},
                                                                          {64, &Module2::EmbedBit7}}) {
    codec.maskedBits = static_cast<std::int16_t>(bits);
    (codec.*op)();
  }
  EXPECT_EQ(codec.pixelGroup, Filled(0xAA));

  codec.dataGroup = {0x11, 0x22, 0x33};
  for (auto [bits, op] : std::vector<std::pair<int, void (Module2::*)()>>{{4, &Module2::GatherLow2},
                                                                          {2, &Module2::GatherBit2},
                                                                          {8, &Module2::GatherBits5to3},
                                                                          {4, &Module2::GatherByte0Bits7to6},
                                                                          {2, &Module2::GatherByte1Bit6},
                                                                          {1, &Module2::GatherByte1Bit7},
                                                                          {-1, &Module2::GatherByte2Bits7to6}}) {
    codec.maskedBits = static_cast<std::int16_t>(bits);
    (codec.*op)();
  }
  EXPECT_EQ(codec.dataGroup, (std::array<std::uint8_t, 3>{0x11, 0x22, 0x33}));

  codec.maskedBits = 1;
  codec.targetIndex = 12;
  EXPECT_THROW(codec.EmbedLow2(), std::out_of_range);
  codec.targetIndex = 3;
  EXPECT_THROW(codec.GatherLow2(), std::out_of_range);
  codec.maskedBits = 4;
  codec.targetIndex = -1;
  EXPECT_THROW(codec.EmbedBit2(), std::out_of_range);
}

// The word-wide kernel must agree with the thirteen operations on every
// group, including inputs chosen to set and clear every carried bit.
TEST_F(BitPackingTest, KernelMatchesTheThirteenOperations) {
  std::mt19937 random(5);
  const std::size_t groups = 4096;
  Bytes data = RandomBytes(groups * 3, 17);
  data[0] = data[1] = data[2] = 0x00;
  data[3] = data[4] = data[5] = 0xFF;
  Bytes cover = RandomBytes(groups * 12, 23);
  Bytes expected = cover;
  for (std::size_t g = 0; g < groups; ++g) {
    std::copy_n(expected.begin() + static_cast<std::ptrdiff_t>(12 * g), 12, codec.pixelGroup.begin());
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(3 * g), 3, codec.dataGroup.begin());
    codec.PlaceDataGroup(3);
    std::copy(codec.pixelGroup.begin(), codec.pixelGroup.end(), expected.begin() + static_cast<std::ptrdiff_t>(12 * g));
  }
  PlaceGroups(cover, data);
  ASSERT_EQ(cover, expected);

  Bytes gathered(groups * 3, 0xEE);
  GatherGroups(cover, gathered);
  EXPECT_EQ(gathered, data);
}

// Every kernel this processor can run (the portable one, and the AVX2 and
// BMI2 ones where present) agrees with the thirteen operations on random data
// of many sizes, and gathers back what was placed, writing nothing beyond.
TEST_F(BitPackingTest, EveryKernelMatchesTheThirteenOperations) {
  std::mt19937 random(77);
  // Every count up to 40 meets every way a kernel's rounds can end.
  std::vector<std::size_t> counts = {1000, static_cast<std::size_t>(random() % 5000 + 1)};
  for (std::size_t n = 1; n <= 40; ++n) counts.push_back(n);
  for (const PlaceKernel& kernel : PlaceKernels()) {
    for (std::size_t groups : counts) {
      SCOPED_TRACE(std::string("placing with ") + kernel.name + ", " + std::to_string(groups) + " groups");
      Bytes data = RandomBytes(groups * 3, static_cast<std::uint32_t>(random()));
      if (groups > 2) std::fill_n(data.begin() + 3, 3, 0xFF);  // every carried bit set, and cleared below
      Bytes cover = RandomBytes(groups * 12 + 5, static_cast<std::uint32_t>(random()));
      if (groups > 2) std::fill_n(cover.begin(), 12, 0xFF);
      if (groups > 2) std::fill_n(cover.begin() + 12, 12, 0x00);
      Bytes expected = cover;
      for (std::size_t g = 0; g < groups; ++g) {
        std::copy_n(expected.begin() + static_cast<std::ptrdiff_t>(12 * g), 12, codec.pixelGroup.begin());
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(3 * g), 3, codec.dataGroup.begin());
        codec.PlaceDataGroup(3);
        std::copy(codec.pixelGroup.begin(), codec.pixelGroup.end(),
                  expected.begin() + static_cast<std::ptrdiff_t>(12 * g));
      }
      // Exactly as large as asked: a byte read or written past either is the sanitizer's to catch.
      const std::vector<std::uint8_t> exact_data(data);
      kernel.run(std::span<std::uint8_t>(cover.data(), groups * 12), exact_data);
      ASSERT_EQ(cover, expected) << "the bytes after the last group must not change either";
    }
  }
  for (const GatherKernel& kernel : GatherKernels()) {
    for (std::size_t groups : counts) {
      SCOPED_TRACE(std::string("gathering with ") + kernel.name + ", " + std::to_string(groups) + " groups");
      const Bytes data = RandomBytes(groups * 3, static_cast<std::uint32_t>(random()));
      std::vector<std::uint8_t> exact_cover = RandomBytes(groups * 12, static_cast<std::uint32_t>(random()));
      for (std::size_t g = 0; g < groups; ++g) {
        std::copy_n(exact_cover.begin() + static_cast<std::ptrdiff_t>(12 * g), 12, codec.pixelGroup.begin());
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(3 * g), 3, codec.dataGroup.begin());
        codec.PlaceDataGroup(3);
        std::copy(codec.pixelGroup.begin(), codec.pixelGroup.end(),
                  exact_cover.begin() + static_cast<std::ptrdiff_t>(12 * g));
      }
      Bytes padded(groups * 3 + 4, 0xEE);
      kernel.run(exact_cover, std::span<std::uint8_t>(padded.data(), groups * 3));
      ASSERT_EQ(Bytes(padded.begin(), padded.begin() + static_cast<std::ptrdiff_t>(groups * 3)), data);
      ASSERT_EQ(padded[groups * 3], 0xEE) << "gathering wrote past its data";
    }
  }
}

}  // namespace
}  // namespace veil::test
