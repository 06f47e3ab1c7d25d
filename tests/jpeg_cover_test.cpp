// JPEG covers: coefficients read and written back by libjpeg, with every
// byte outside the scans kept, files other programs made read as they are,
// and hostile files refused without a crash or an unbounded allocation.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
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

// The offset of the first marker of this kind.
std::size_t MarkerAt(const Bytes& jpeg, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
  return jpeg.size();
}

void ExpectRefused(const Bytes& jpeg, bool damaged, const std::string& reason) {
  const auto reading = Read(jpeg);
  EXPECT_FALSE(reading.cover);
  EXPECT_EQ(reading.damaged, damaged) << reading.refusal;
  EXPECT_NE(reading.refusal.find(reason), std::string::npos) << reading.refusal;
}

TEST(HostileJpeg, KindsThatAreNoCoverAreRefusedWithTheReason) {
  JpegShape shape;
  shape.arithmetic = true;
  ExpectRefused(EncodeJpeg(shape), false, "arithmetic-coded");
  shape = {};
  shape.components = 4;
  ExpectRefused(EncodeJpeg(shape), false, "CMYK");

  const Bytes jpeg = EncodeJpeg({});
  Bytes twelve = jpeg;
  twelve[MarkerAt(twelve, 0xC0) + 4] = 12;  // the frame's sample precision
  ExpectRefused(twelve, false, "12-bit");
  Bytes lossless = jpeg;
  lossless[MarkerAt(lossless, 0xC0) + 1] = 0xC3;
  ExpectRefused(lossless, false, "lossless");

  // Several pictures in one file: the later ones' offsets would break.
  Bytes mpf_body(40, 0);
  mpf_body[0] = 'M', mpf_body[1] = 'P', mpf_body[2] = 'F';
  ExpectRefused(InsertAfterSoi(jpeg, JpegSegment(0xE2, mpf_body)), false, "MPF");

  // A comment between the scans of a progressive JPEG would not keep its place.
  JpegShape progressive;
  progressive.progressive = true;
  Bytes between = EncodeJpeg(progressive);
  const std::size_t second_scan =
      MarkerAt(Bytes(between.begin() + static_cast<std::ptrdiff_t>(MarkerAt(between, 0xDA)) + 2, between.end()), 0xDA) +
      MarkerAt(between, 0xDA) + 2;
  const Bytes comment = JpegSegment(0xFE, {'h', 'i'});
  between.insert(between.begin() + static_cast<std::ptrdiff_t>(second_scan), comment.begin(), comment.end());
  ExpectRefused(between, false, "between their scans");
}

TEST(HostileJpeg, DamagedFilesAreCalledDamagedAndNeverReadPastTheirEnd) {
  const Bytes jpeg = EncodeJpeg({});
  ExpectRefused(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)), true,
                "before its end-of-image marker");
  ExpectRefused(Bytes(jpeg.begin(), jpeg.begin() + 30), true, "damaged");
  ExpectRefused(Bytes{0xFF, 0xD8, 0xFF, 0xD9}, true, "before its first scan");
  ExpectRefused(Bytes{0xFF, 0xD8, 0xFF}, true, "damaged");
  Bytes long_segment = jpeg;
  const std::size_t frame = MarkerAt(long_segment, 0xC0);
  long_segment[frame + 2] = 0xFF;  // a length past the end of the file
  long_segment[frame + 3] = 0xF0;
  ExpectRefused(Bytes(long_segment.begin(), long_segment.begin() + static_cast<std::ptrdiff_t>(frame + 100)), true,
                "runs past the end");

  // The entropy-coded data garbled: libjpeg's warning is damage, not a cover.
  Bytes garbled = jpeg;
  const std::size_t scan = MarkerAt(garbled, 0xDA);
  for (std::size_t i = scan + 40; i < garbled.size() - 40; i += 97) garbled[i] = 0x13;
  const auto reading = Read(garbled);
  EXPECT_FALSE(reading.cover);
  EXPECT_TRUE(reading.damaged) << reading.refusal;
}

TEST(HostileJpeg, AHugeSizeInASmallFileIsRefusedBeforeAnythingIsAllocated) {
  Bytes huge = EncodeJpeg({});
  const std::size_t frame = MarkerAt(huge, 0xC0);
  // 16000 x 16000: six million blocks claimed by a file of a few kilobytes.
  huge[frame + 5] = 16000 >> 8, huge[frame + 6] = 16000 & 0xFF;
  huge[frame + 7] = 16000 >> 8, huge[frame + 8] = 16000 & 0xFF;
  ExpectRefused(huge, true, "claims more blocks than its data can hold");
  huge[frame + 5] = 0xFF, huge[frame + 7] = 0xFF;  // 65,000 x 65,000
  ExpectRefused(huge, false, "more pixels");

  // Scans without end: the same scan a thousand times.
  const Bytes jpeg = EncodeJpeg({});
  const std::size_t scan = MarkerAt(jpeg, 0xDA), end = jpeg.size() - 2;
  Bytes endless(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(end));
  for (int i = 0; i < 1000; ++i)
    endless.insert(endless.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(scan),
                   jpeg.begin() + static_cast<std::ptrdiff_t>(end));
  endless.insert(endless.end(), {0xFF, 0xD9});
  ExpectRefused(endless, false, "more than 256 scans");
}

#ifdef VEILWRIGHT_JPEG_DATA
Bytes ReadData(const std::string& name) {
  std::ifstream in(std::string(VEILWRIGHT_JPEG_DATA) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each file as its manifest says: a cover written back byte for byte (or
// recoded, where its encoder's bit stream is not libjpeg's), whose changed
// coefficients come back exactly; or no cover, with the reason.
TEST(JpegCorpus, FilesOtherProgramsWroteAreReadAsTheManifestSays) {
  std::ifstream manifest(std::string(VEILWRIGHT_JPEG_DATA) + "/MANIFEST.tsv");
  ASSERT_TRUE(manifest) << "no manifest";
  std::string line;
  int files = 0;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::string name = line.substr(0, line.find('\t')), verdict = line.substr(line.find('\t') + 1);
    SCOPED_TRACE(name);
    const Bytes jpeg = ReadData(name);
    ASSERT_FALSE(jpeg.empty());
    ++files;
    auto reading = Read(jpeg);
    if (verdict == "identical" || verdict == "recoded") {
      ASSERT_TRUE(reading.cover) << reading.refusal;
      EXPECT_EQ(reading.cover->Encode() == jpeg, verdict == "identical");
      auto& values = reading.cover->samples().values16;
      std::vector<int> expected = DecodeJpegCoefficients(jpeg);
      for (std::size_t i = 3; i < values.size(); i += 37) {
        const int c = int{values[i]} - codec::kCoefficientOffset;
        const int way = c > 0 ? -1 : 1;
        values[i] = static_cast<std::uint16_t>(values[i] + way);
        expected[i] += way;
      }
      const Bytes written = reading.cover->Encode();
      EXPECT_EQ(DecodeJpegCoefficients(written), expected);
      continue;
    }
    const bool damaged = verdict.rfind("damaged:", 0) == 0;
    ExpectRefused(jpeg, damaged, verdict.substr(verdict.find(':') + 1));
  }
  EXPECT_EQ(files, 22);
}
// A file libjpeg gives up on decoding part way (found by the fuzz target;
// it lies in its seed corpus): refused as damaged, never a cover of the
// coefficients the decoder had reached.
TEST(JpegCorpus, AFileTheDecoderGivesUpOnIsRefusedAsDamaged) {
  const Bytes damaged = ReadData("../../fuzz/corpus/jpeg/damaged-scan.jpg");
  ASSERT_FALSE(damaged.empty());
  MemoryFile file(std::make_shared<Bytes>(damaged));
  const auto reading = codec::ReadJpegCover(file);
  EXPECT_FALSE(reading.cover);
  EXPECT_NE(reading.refusal.find("damaged"), std::string::npos) << reading.refusal;
}
#endif

}  // namespace
}  // namespace veil::test
