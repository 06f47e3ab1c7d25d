#include <gtest/gtest.h>

#include "codec/covers/bmp_layout.h"
#include "files/raw_file.h"
#include "support/test_files.h"

namespace veil::carrier {
namespace {

using test::Bytes;
using test::PutU32;

void PutU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A file with a Windows-style info header of the given size; every field a
// test does not name is that of an ordinary 24-bit picture.
struct Picture {
  std::uint32_t headerSize = 40;
  std::int32_t width = 4;
  std::int32_t height = 3;
  std::uint16_t planes = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t colours = 0;
  std::uint32_t offset = 54;
  std::size_t length = 54 + 12 * 3;

  Bytes Make() const {
    Bytes b = test::RandomBytes(length, 3);
    std::fill(b.begin(), b.begin() + std::min<std::size_t>(length, 14 + std::size_t{headerSize}), 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 2, static_cast<std::uint32_t>(length));
    PutU32(b, 10, offset);
    PutU32(b, 14, headerSize);
    if (headerSize == 12) {
      PutU16(b, 18, static_cast<std::uint16_t>(width));
      PutU16(b, 20, static_cast<std::uint16_t>(height));
      PutU16(b, 22, planes);
      PutU16(b, 24, bits);
      return b;
    }
    PutU32(b, 18, static_cast<std::uint32_t>(width));
    PutU32(b, 22, static_cast<std::uint32_t>(height));
    PutU16(b, 26, planes);
    PutU16(b, 28, bits);
    PutU32(b, 30, compression);
    PutU32(b, 46, colours);
    return b;
  }
};

BmpReading Judge(const Bytes& bytes) { return JudgeBmpHeaders(bytes.data(), bytes.size(), bytes.size()); }

BmpRefusalKind RefusalOf(const Bytes& bytes) {
  const BmpReading reading = Judge(bytes);
  EXPECT_FALSE(reading.IsCover());
  return reading.refusal.kind;
}

TEST(BmpLayoutTest, OrdinaryPictureDeclaresItsPixelArray) {
  const BmpReading reading = Judge(Picture{}.Make());
  ASSERT_TRUE(reading.IsCover());
  const BmpLayout& l = *reading.layout;
  EXPECT_EQ(l.pixelOffset, 54);
  EXPECT_EQ(l.headerSize, 40u);
  EXPECT_EQ(l.width, 4);
  EXPECT_EQ(l.height, 3);
  EXPECT_FALSE(l.topDown);
  EXPECT_EQ(l.bitCount, 24);
  EXPECT_EQ(l.rowStride, 12u);
  EXPECT_EQ(l.pixelArrayEnd, 90u);
  EXPECT_EQ(l.fileLength, 90u);
}

TEST(BmpLayoutTest, RowsArePaddedToFourBytes) {
  Picture p;
  p.width = 5;  // 15 bytes, stored in 16
  p.height = 2;
  p.length = 54 + 32 + 100;  // trailing bytes lie outside the pixel array
  const BmpReading reading = Judge(p.Make());
  ASSERT_TRUE(reading.IsCover());
  EXPECT_EQ(reading.layout->rowStride, 16u);
  EXPECT_EQ(reading.layout->pixelArrayEnd, 86u);
  EXPECT_EQ(reading.layout->fileLength, 186u);
}

TEST(BmpLayoutTest, TopDownPictureHasPositiveRows) {
  Picture p;
  p.height = -3;
  const BmpReading reading = Judge(p.Make());
  ASSERT_TRUE(reading.IsCover());
  EXPECT_TRUE(reading.layout->topDown);
  EXPECT_EQ(reading.layout->height, 3);
  EXPECT_EQ(reading.layout->pixelArrayEnd, 90u);
}

TEST(BmpLayoutTest, Os2PictureIsReadFromItsOwnFields) {
  Picture p;
  p.headerSize = 12;
  p.offset = 26;
  p.length = 26 + 12 * 3;
  const BmpReading reading = Judge(p.Make());
  ASSERT_TRUE(reading.IsCover());
  EXPECT_EQ(reading.layout->headerSize, 12u);
  EXPECT_EQ(reading.layout->width, 4);
  EXPECT_EQ(reading.layout->pixelArrayEnd, 62u);
  // An 8-bit OS/2 picture whose byte 28 happens to hold 24 is no cover.
  Bytes eight = p.Make();
  PutU16(eight, 24, 8);
  PutU16(eight, 28, 24);
  const BmpReading refused = Judge(eight);
  ASSERT_FALSE(refused.IsCover());
  EXPECT_EQ(refused.refusal.kind, BmpRefusalKind::kNotTwentyFourBit);
  EXPECT_EQ(refused.refusal.bitCount, 8);
}

TEST(BmpLayoutTest, V5ProfileAfterThePixelsStaysOutsideTheArray) {
  Picture p;
  p.headerSize = 124;
  p.offset = 138;
  p.length = 138 + 36 + 64;
  Bytes b = p.Make();
  PutU32(b, 14 + 56, 0x4D424544);      // PROFILE_EMBEDDED
  PutU32(b, 14 + 112, 138 + 36 - 14);  // profile right after the pixels
  PutU32(b, 14 + 116, 64);
  const BmpReading reading = Judge(b);
  ASSERT_TRUE(reading.IsCover());
  EXPECT_EQ(reading.layout->pixelArrayEnd, 174u);
  EXPECT_EQ(reading.layout->fileLength, 238u);

  PutU32(b, 14 + 112, 138 + 30 - 14);  // the profile's first bytes inside the last row
  const BmpReading overlapping = Judge(b);
  ASSERT_FALSE(overlapping.IsCover());
  EXPECT_EQ(overlapping.refusal.kind, BmpRefusalKind::kProfileInsidePixels);
}

TEST(BmpLayoutTest, KnownHeaderSizesAreAccepted) {
  for (std::uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u}) {
    Picture p;
    p.headerSize = size;
    p.offset = 14 + size;
    p.length = p.offset + 36;
    EXPECT_TRUE(Judge(p.Make()).IsCover()) << size;
  }
  for (std::uint32_t size : {0u, 16u, 39u, 44u, 100u, 125u, 0xFFFFFFFFu}) {
    Picture p;
    p.headerSize = size;
    p.length = 54 + 36;
    EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kUnknownHeaderSize) << size;
  }
}

TEST(BmpLayoutTest, IconIsNoBmp) {
  // A two-image icon whose first image is 24-bit: 24 may well sit at 28.
  Bytes ico(2000, 0);
  PutU16(ico, 2, 1);
  PutU16(ico, 4, 2);
  ico[6] = 16;
  ico[7] = 16;
  PutU16(ico, 12, 24);
  PutU16(ico, 28, 24);
  const BmpReading reading = Judge(ico);
  ASSERT_FALSE(reading.IsCover());
  EXPECT_EQ(reading.refusal.kind, BmpRefusalKind::kNotBm);
  EXPECT_EQ(reading.refusal.signature, 0);
}

TEST(BmpLayoutTest, CompressedPicturesAreRefused) {
  Picture rle8;
  rle8.bits = 8;
  rle8.compression = 1;
  rle8.colours = 256;
  rle8.offset = 54 + 1024;
  rle8.length = rle8.offset + 40;
  EXPECT_EQ(RefusalOf(rle8.Make()), BmpRefusalKind::kNotTwentyFourBit);
  for (std::uint32_t compression : {1u, 2u, 4u, 5u, 6u, 0x12345678u}) {
    Picture p;
    p.compression = compression;
    const BmpReading reading = Judge(p.Make());
    ASSERT_FALSE(reading.IsCover()) << compression;
    EXPECT_EQ(reading.refusal.kind, BmpRefusalKind::kCompressed);
    EXPECT_EQ(reading.refusal.compression, compression);
  }
  // OS/2 2.x uses 3 for Huffman coding.
  Picture huffman;
  huffman.headerSize = 64;
  huffman.compression = 3;
  huffman.offset = 78;
  huffman.length = 78 + 36;
  EXPECT_EQ(RefusalOf(huffman.Make()), BmpRefusalKind::kCompressed);
}

TEST(BmpLayoutTest, BitFieldsNeedRoomForTheirMasks) {
  Picture p;
  p.compression = 3;
  EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kPixelsInsideHeaders);
  p.offset = 66;
  p.length = 66 + 36;
  const BmpReading reading = Judge(p.Make());
  ASSERT_TRUE(reading.IsCover());
  EXPECT_EQ(reading.layout->compression, 3u);
  // A V4 header holds its masks itself.
  p.headerSize = 108;
  p.offset = 122;
  p.length = 122 + 36;
  EXPECT_TRUE(Judge(p.Make()).IsCover());
}

TEST(BmpLayoutTest, PixelOffsetInsideTheHeadersIsRefused) {
  for (std::uint32_t offset : {0u, 14u, 28u, 38u, 53u}) {
    Picture p;
    p.offset = offset;
    const BmpReading reading = Judge(p.Make());
    ASSERT_FALSE(reading.IsCover()) << offset;
    EXPECT_EQ(reading.refusal.kind, BmpRefusalKind::kPixelsInsideHeaders);
    EXPECT_EQ(reading.refusal.pixelOffset, offset);
    EXPECT_EQ(reading.refusal.headersEnd, 54u);
  }
}

TEST(BmpLayoutTest, PaletteOfATwentyFourBitPictureCountsAsHeader) {
  Picture p;
  p.colours = 2;
  EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kPixelsInsideHeaders);
  p.offset = 62;
  p.length = 62 + 36;
  EXPECT_TRUE(Judge(p.Make()).IsCover());
  p.colours = 0xFFFFFFFF;  // no overflow: far beyond any offset
  EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kPixelsInsideHeaders);
}

TEST(BmpLayoutTest, PixelArrayMustEndInsideTheFile) {
  Picture p;
  p.length = 54 + 35;
  const BmpReading reading = Judge(p.Make());
  ASSERT_FALSE(reading.IsCover());
  EXPECT_EQ(reading.refusal.kind, BmpRefusalKind::kPixelsOutsideFile);
  EXPECT_EQ(reading.refusal.pixelArrayEnd, 90u);
  p.offset = 0xFFFFFFFF;
  p.length = 200;
  EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kPixelsOutsideFile);
  Picture huge;
  huge.width = 0x7FFFFFFF;
  huge.height = 0x7FFFFFFF;
  EXPECT_EQ(RefusalOf(huge.Make()), BmpRefusalKind::kPixelsOutsideFile);
}

TEST(BmpLayoutTest, EmptyOrMirroredDimensionsAreRefused) {
  for (auto [w, h] : {std::pair{0, 3}, {4, 0}, {-4, 3}, {4, INT32_MIN}}) {
    Picture p;
    p.width = w;
    p.height = h;
    EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kNoPixels) << w << "x" << h;
  }
}

TEST(BmpLayoutTest, PlaneCountMustBeOne) {
  Picture p;
  p.planes = 0;
  EXPECT_EQ(RefusalOf(p.Make()), BmpRefusalKind::kNotOnePlane);
}

TEST(BmpLayoutTest, SmallestPictureIsACoverWithFourPixelBytes) {
  Picture p;
  p.width = 1;
  p.height = 1;
  p.length = 58;
  const BmpReading reading = Judge(p.Make());
  ASSERT_TRUE(reading.IsCover());
  EXPECT_EQ(reading.layout->PixelArraySize(), 4u);
}

TEST(BmpLayoutTest, ShortFilesAreRefusedWithoutReadingPastTheirEnd) {
  const Bytes whole = Picture{}.Make();
  for (std::size_t cut : {0u, 1u, 2u, 17u, 30u, 53u}) {
    const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    const BmpReading reading = Judge(part);
    ASSERT_FALSE(reading.IsCover()) << cut;
    EXPECT_EQ(reading.refusal.kind, BmpRefusalKind::kTooShort) << cut;
  }
  const Bytes text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(RefusalOf(text), BmpRefusalKind::kNotBm);
}

TEST(BmpLayoutTest, ReadsTheHeadersOfAFile) {
  test::TempDir dir;
  test::WriteAll(dir.File("a.bmp"), Picture{}.Make());
  const auto file = OpenSystemFile(dir.File("a.bmp"), OpenMode::kReadOnly);
  const BmpReading reading = ReadBmpLayout(*file);
  ASSERT_TRUE(reading.IsCover());
  EXPECT_EQ(reading.layout->pixelArrayEnd, 90u);
}

}  // namespace
}  // namespace veil::carrier
