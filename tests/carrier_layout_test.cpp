#include <gtest/gtest.h>

#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/progress_segments.h"

namespace veil::carrier {
namespace {

TEST(CarrierLayoutTest, CapacityFollowsTheEmbeddingSizeTest) {
  // A 640 x 480 picture: 921,654 bytes with pixel data at 54.
  EXPECT_TRUE(Fits(921654, 54, 230397));
  EXPECT_FALSE(Fits(921654, 54, 230398));
  EXPECT_EQ(CapacityBytes(921654, 54), 230397u);
  EXPECT_EQ(KilobyteHint(921654), 225u);
  EXPECT_EQ(KilobyteHint(2359350), 576u);
  EXPECT_EQ(KilobyteHint(4091), 0u);
  // A 24-megapixel picture could hold more than the length field can say:
  // the hint offers no more than 16,777,215 bytes.
  EXPECT_EQ(KilobyteHint(54 + 6000ull * 4000 * 3), 16777215u / 4092);
  EXPECT_EQ(KilobyteHint(16777215), 4100u);

  EXPECT_TRUE(Fits(54 + 12, 54, 0));
  EXPECT_FALSE(Fits(54 + 11, 54, 0));
  EXPECT_EQ(CapacityBytes(54 + 11, 54), 0u);
  EXPECT_TRUE(Fits(54 + 24, 54, 3));
  EXPECT_FALSE(Fits(54 + 24, 54, 4));
  // The length field holds 24 bits, however large the picture.
  EXPECT_FALSE(Fits(1ull << 32, 54, kMaxHiddenLength + 1));
  EXPECT_EQ(CapacityBytes(1ull << 32, 54), kMaxHiddenLength);
  EXPECT_FALSE(Fits(100, -1, 0));
  EXPECT_FALSE(Fits(100, 200, 0));
}

TEST(CarrierLayoutTest, MarkerCarriesLengthPasswordBitAndVersion) {
  EXPECT_EQ(MarkerValue(0, false), 0x10000000u);
  EXPECT_EQ(MarkerValue(0, true), 0x18000000u);
  EXPECT_EQ(MarkerValue(kMaxHiddenLength, true), 0x18FFFFFFu);
  EXPECT_EQ(HiddenLength(0x18000A0B), 0xA0Bu);
  EXPECT_EQ(FormatVersion(0x18000A0B), 1u);
}

TEST(CarrierLayoutTest, StoredExtensionIsTheLastThreeCharactersAfterADot) {
  EXPECT_EQ(StoredExtension("C:\\notes.txt"), "txt");
  EXPECT_EQ(StoredExtension("/home/u/PHOTO.JPG"), "JPG");
  EXPECT_EQ(StoredExtension("data.b.c"), "b.c");
  for (const char* refused :
       {"report.docx", "page.js", "README", "arch.tar.gz", "", ".tx", "x.t\x01t", "x.\xE4\xB8\xAD", "dir./ab"})
    EXPECT_EQ(StoredExtension(refused), std::nullopt) << refused;
}

TEST(CarrierLayoutTest, PasswordFieldIsBlankPaddedAndCut) {
  const auto field = PasswordField("abc");
  EXPECT_EQ(std::string(field.begin(), field.end()), "abc     ");
  const auto cut = PasswordField("123456789");
  EXPECT_EQ(std::string(cut.begin(), cut.end()), "12345678");
  EXPECT_TRUE(IsPortableText("aB3 ~!"));
  EXPECT_FALSE(IsPortableText("\xE5\xAF\x86"));
  EXPECT_FALSE(IsPortableText("tab\t"));
}

TEST(CarrierLayoutTest, UntrustedExtensionCannotLeaveTheFolder) {
  EXPECT_EQ(SafeExtension("txt"), "txt");
  EXPECT_EQ(SafeExtension("../"), ".._");
  EXPECT_EQ(SafeExtension(std::string("a\0b", 3)), "a_b");
  EXPECT_EQ(SafeExtension("\\\n\xFF"), "___");
  // Characters Windows refuses in a name, or reads as a stream or a device.
  for (char c : std::string(":*?\"<>|")) EXPECT_EQ(SafeExtension(std::string("a") + c + "b"), "a_b") << c;
  EXPECT_EQ(SafeExtension("a-b"), "a-b");
  EXPECT_EQ(SafeExtension("~ !"), "~ !");
}

// The captions the segmented runs show must be exactly those of a loop that
// reports after every single group, and the segments must cover every group.
TEST(ProgressSegmentsTest, SegmentsShowEveryCaptionOfAGroupByGroupLoop) {
  for (std::int64_t count : {1, 2, 3, 7, 99, 100, 101, 333, 1000, 4097, 65537, 5592405}) {
    for (std::int64_t limit : {std::int64_t{1}, std::int64_t{64}, std::int64_t{32768}}) {
      if (count > 100000 && limit == 1) continue;
      std::vector<int> looped;
      for (std::int64_t g = 1; g <= count; ++g) {
        const int p = veil::ProgressSegments::Percent(g, count);
        if (looped.empty() || looped.back() != p) looped.push_back(p);
      }
      std::vector<int> segmented;
      veil::ProgressSegments segments(count, limit);
      std::int64_t next = 1;
      while (segments.Next()) {
        ASSERT_EQ(segments.First(), next);
        ASSERT_LE(segments.Size(), limit);
        next = segments.Last() + 1;
        const int p = veil::ProgressSegments::Percent(segments.Last(), count);
        if (segmented.empty() || segmented.back() != p) segmented.push_back(p);
      }
      ASSERT_EQ(next, count + 1) << count;
      ASSERT_EQ(segmented, looped) << "count " << count << " limit " << limit;
    }
  }
  EXPECT_EQ(veil::ProgressSegments::Percent(1, 3), 33);
  EXPECT_EQ(veil::ProgressSegments::Percent(2, 3), 66);
  EXPECT_EQ(veil::ProgressSegments::Percent(3, 3), 100);
}

}  // namespace
}  // namespace veil::carrier
