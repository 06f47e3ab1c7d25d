// JPEG covers: coefficients read and written back by libjpeg, with every
// byte outside the scans kept, files other programs made read as they are,
// and hostile files refused without a crash or an unbounded allocation.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <variant>

#include "codec/covers/jpeg/jpeg_layout.h"
#include "codec/covers/jpeg/jpeg_sample_cover.h"
#include "codec/covers/sample_cover.h"
#include "files/memory_file.h"
#include "support/jpeg_test_files.h"

namespace veil::test {
namespace {

codec::JpegCoverReading Read(const Bytes& jpeg) {
  MemoryFile file(std::make_shared<Bytes>(jpeg));
  return codec::ReadJpegCover(file);
}

struct Variant {
  const char* name;
  JpegShape shape;
};

std::vector<Variant> Variants() {
  std::vector<Variant> variants;
  auto add = [&](const char* name, auto change) {
    JpegShape shape;
    change(shape);
    variants.push_back({name, shape});
  };
  add("baseline_420", [](JpegShape&) {});
  add("optimised_tables", [](JpegShape& s) { s.optimize = true; });
  add("progressive", [](JpegShape& s) { s.progressive = true; });
  add("grey", [](JpegShape& s) { s.components = 1; });
  add("grey_progressive", [](JpegShape& s) { s.components = 1, s.progressive = true; });
  add("full_chroma_q95", [](JpegShape& s) { s.h_sampling = 1, s.v_sampling = 1, s.quality = 95; });
  add("422_restarts", [](JpegShape& s) { s.h_sampling = 2, s.v_sampling = 1, s.restart_rows = 2; });
  add("odd_size", [](JpegShape& s) { s.width = 333, s.height = 201; });
  return variants;
}

class JpegVariant : public ::testing::TestWithParam<Variant> {};

TEST_P(JpegVariant, UnchangedCoefficientsWriteTheFileByteForByte) {
  const Bytes jpeg = EncodeJpeg(GetParam().shape);
  auto reading = Read(jpeg);
  ASSERT_TRUE(reading.cover) << reading.refusal;
  const auto& samples = reading.cover->samples();
  ASSERT_TRUE(samples.dct);
  const auto coefficients = DecodeJpegCoefficients(jpeg);
  ASSERT_EQ(samples.values16.size(), coefficients.size());
  for (std::size_t i = 0; i < coefficients.size(); ++i)
    ASSERT_EQ(int{samples.values16[i]} - codec::kCoefficientOffset, coefficients[i]) << i;
  EXPECT_EQ(reading.cover->Encode(), jpeg);
}

TEST_P(JpegVariant, ChangedCoefficientsComeBackAndNothingBeforeTheScansMoves) {
  Bytes jpeg = EncodeJpeg(GetParam().shape);
  jpeg = InsertAfterSoi(jpeg, JpegSegment(0xFE, {'a', ' ', 'n', 'o', 't', 'e'}));
  jpeg = InsertAfterSoi(jpeg, JpegSegment(0xE2, RandomBytes(700, 3)));   // an ICC-sized APP2
  jpeg = InsertAfterSoi(jpeg, JpegSegment(0xE1, RandomBytes(3000, 4)));  // an EXIF-sized APP1
  const Bytes trailer = RandomBytes(77, 9);
  jpeg.insert(jpeg.end(), trailer.begin(), trailer.end());
  auto reading = Read(jpeg);
  ASSERT_TRUE(reading.cover) << reading.refusal;
  auto& values = reading.cover->samples().values16;
  std::mt19937 random(5);
  std::vector<int> expected = DecodeJpegCoefficients(jpeg);
  for (int n = 0; n < 2000; ++n) {
    const std::size_t i = random() % values.size();
    const int way = (random() & 1) != 0 ? 1 : -1;
    values[i] = static_cast<std::uint16_t>(values[i] + way);
    expected[i] += way;
  }
  const Bytes written = reading.cover->Encode();
  EXPECT_EQ(DecodeJpegCoefficients(written), expected);
  const Bytes before = BeforeFirstScan(jpeg), after = BeforeFirstScan(written);
  // Only the Huffman tables may have been coded anew.
  auto without_tables = [](const Bytes& header) {
    Bytes kept;
    std::size_t at = 2;
    kept.assign(header.begin(), header.begin() + 2);
    while (at + 4 <= header.size()) {
      const std::size_t size = 2 + (header[at + 2] << 8 | header[at + 3]);
      if (header[at + 1] != 0xC4) kept.insert(kept.end(), header.begin() + at, header.begin() + at + size);
      at += size;
    }
    return kept;
  };
  EXPECT_EQ(without_tables(after), without_tables(before));
  ASSERT_GE(written.size(), trailer.size());
  EXPECT_TRUE(std::equal(trailer.begin(), trailer.end(), written.end() - static_cast<std::ptrdiff_t>(trailer.size())));
}

INSTANTIATE_TEST_SUITE_P(Shapes, JpegVariant, ::testing::ValuesIn(Variants()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veil::test
