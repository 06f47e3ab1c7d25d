#include <gtest/gtest.h>

#include "support/test_files.h"
#include "window/thumbnail/thumbnail.h"

namespace veil::preview {
namespace {

using test::Bytes;
using test::PutU32;

// A 24-bit picture whose stored row r, pixel x holds blue r, green x, red 7.
Bytes Picture(std::int32_t width, std::int32_t height) {
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  const std::size_t stride = (static_cast<std::size_t>(width < 0 ? 0 : width) * 3 + 3) / 4 * 4;
  Bytes b(54 + stride * rows, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 10, 54);
  PutU32(b, 14, 40);
  PutU32(b, 18, static_cast<std::uint32_t>(width));
  PutU32(b, 22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  for (std::size_t r = 0; r < rows; ++r)
    for (std::size_t x = 0; x < stride / 3; ++x) {
      std::uint8_t* p = &b[54 + r * stride + x * 3];
      p[0] = static_cast<std::uint8_t>(r);
      p[1] = static_cast<std::uint8_t>(x);
      p[2] = 7;
    }
  return b;
}

std::optional<Thumbnail> Thumb(const Bytes& bytes, int max_width, int max_height) {
  test::TempDir dir;
  test::WriteAll(dir.File("p.bmp"), bytes);
  return ReadThumbnail(*OpenSystemFile(dir.File("p.bmp"), OpenMode::kReadOnly), max_width, max_height);
}

TEST(ThumbnailTest, SmallPictureIsShownWholeTopRowFirst) {
  const auto thumb = Thumb(Picture(3, 2), 10, 10);
  ASSERT_TRUE(thumb);
  EXPECT_EQ(thumb->width, 3);
  EXPECT_EQ(thumb->height, 2);
  // Bottom-up: the first row shown is stored row 1; red, green, blue.
  EXPECT_EQ(Bytes(thumb->rgb.begin(), thumb->rgb.begin() + 6), (Bytes{7, 0, 1, 7, 1, 1}));
  EXPECT_EQ(Bytes(thumb->rgb.begin() + 9, thumb->rgb.begin() + 12), (Bytes{7, 0, 0}));

  const auto top_down = Thumb(Picture(3, -2), 10, 10);
  ASSERT_TRUE(top_down);
  EXPECT_EQ(Bytes(top_down->rgb.begin(), top_down->rgb.begin() + 3), (Bytes{7, 0, 0}));
}

TEST(ThumbnailTest, LargePictureIsSampledAtPixelCentres) {
  const auto thumb = Thumb(Picture(40, 100), 10, 10);
  ASSERT_TRUE(thumb);
  EXPECT_EQ(thumb->width, 4);
  EXPECT_EQ(thumb->height, 10);
  // Row 0 of the thumbnail shows picture row 5 (stored row 94), column 5.
  EXPECT_EQ(Bytes(thumb->rgb.begin(), thumb->rgb.begin() + 3), (Bytes{7, 5, 94}));
}

TEST(ThumbnailTest, CutPictureGivesNothingEvenWhereTheCutRowIsNeverSampled) {
  // 100 rows shown as 10: stored row 99 (the top row) is never read, but a
  // file cut inside it is no picture to show.
  Bytes cut = Picture(4, 100);
  ASSERT_TRUE(Thumb(cut, 10, 10));
  cut.pop_back();
  EXPECT_FALSE(Thumb(cut, 10, 10));
}

TEST(ThumbnailTest, PicturesWithoutPixelsGiveNothing) {
  EXPECT_FALSE(Thumb(Picture(0, 5), 10, 10));
  EXPECT_FALSE(Thumb(Picture(5, 0), 10, 10));
  EXPECT_FALSE(Thumb(Picture(-5, 5), 10, 10));
  EXPECT_FALSE(Thumb(Picture(5, 5), 0, 10));
}

TEST(ThumbnailTest, OnlyUncompressedTwentyFourBitPicturesAreShown) {
  Bytes eight = Picture(4, 4);
  eight[28] = 8;
  EXPECT_FALSE(Thumb(eight, 10, 10));
  Bytes rle = Picture(4, 4);
  rle[30] = 1;
  EXPECT_FALSE(Thumb(rle, 10, 10));
  Bytes icon = Picture(4, 4);
  icon[0] = 0;
  EXPECT_FALSE(Thumb(icon, 10, 10));
}

}  // namespace
}  // namespace veil::preview
