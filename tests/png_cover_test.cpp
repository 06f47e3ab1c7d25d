// PNG covers from the outside: pictures made by libpng's own writer, by
// ImageMagick and from the PngSuite, read, changed and written back; hostile
// and damaged files refused with their reason.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <set>

#include "codec/covers/cover_kind.h"
#include "codec/covers/png/png_reader.h"
#include "codec/covers/png/png_writer.h"
#include "files/file_failure.h"
#include "files/memory_file.h"
#include "support/fault_file.h"
#include "support/png_test_files.h"

namespace veil::test {
namespace {

using codec::png::PngCover;
using codec::png::PngLimits;
using codec::png::PngRefusal;

std::variant<PngCover, PngRefusal> Read(const Bytes& bytes, const PngLimits& limits = {}) {
  MemoryFile file(std::make_shared<Bytes>(bytes));
  return codec::png::ReadPngCover(file, limits);
}

PngCover ReadOk(const Bytes& bytes) {
  auto result = Read(bytes);
  if (auto* refusal = std::get_if<PngRefusal>(&result)) {
    ADD_FAILURE() << "refused: " << refusal->reason;
    return {};
  }
  return std::get<PngCover>(std::move(result));
}

PngRefusal Refused(const Bytes& bytes, const PngLimits& limits = {}) {
  auto result = Read(bytes, limits);
  if (!std::holds_alternative<PngRefusal>(result)) {
    ADD_FAILURE() << "decoded a file that should be refused";
    return {};
  }
  return std::get<PngRefusal>(result);
}

Bytes Write(const Bytes& source_bytes, const PngCover& cover) {
  MemoryFile source(std::make_shared<Bytes>(source_bytes));
  auto out_bytes = std::make_shared<Bytes>();
  MemoryFile out(out_bytes);
  codec::png::WritePngCover(source, cover, out);
  return *out_bytes;
}

// Changes count unlocked samples by +1 or -1 (staying in range); returns
// their sample indices.
std::set<std::size_t> ChangeSamples(PngCover& cover, std::size_t count, std::uint32_t seed) {
  auto& s = cover.samples;
  std::mt19937 random(seed);
  std::set<std::size_t> changed;
  const unsigned full = s.depth == 8 ? 0xFF : 0xFFFF;
  for (int tries = 0; changed.size() < count && tries < 100000; ++tries) {
    const std::size_t i = random() % s.SampleCount();
    if (s.Locked(i / s.channels) || changed.count(i)) continue;
    const unsigned v = s.depth == 8 ? s.values8[i] : s.values16[i];
    const unsigned next = v == 0 ? 1 : v == full ? full - 1 : (random() & 1 ? v + 1 : v - 1);
    if (s.depth == 8) {
      s.values8[i] = static_cast<std::uint8_t>(next);
    } else {
      s.values16[i] = static_cast<std::uint16_t>(next);
    }
    changed.insert(i);
  }
  return changed;
}

// The sample indices where two raw pictures differ, and by how much at most.
struct RawDifference {
  std::set<std::size_t> samples;
  unsigned largest = 0;
  bool alpha_differs = false;
};
RawDifference Compare(const RawPicture& a, const RawPicture& b) {
  RawDifference d;
  const int bytes = a.depth / 8;
  const int channels = a.colour_type == 0 ? 1 : a.colour_type == 4 ? 2 : a.colour_type == 2 ? 3 : 4;
  const bool alpha = a.colour_type == 4 || a.colour_type == 6;
  const int carrying = alpha ? channels - 1 : channels;
  const std::size_t count = a.rows.size() / bytes;
  for (std::size_t k = 0; k < count; ++k) {
    const unsigned va = bytes == 1 ? a.rows[k] : (a.rows[2 * k] << 8) | a.rows[2 * k + 1];
    const unsigned vb = bytes == 1 ? b.rows[k] : (b.rows[2 * k] << 8) | b.rows[2 * k + 1];
    if (va == vb) continue;
    const std::size_t pixel = k / channels;
    const int channel = static_cast<int>(k % channels);
    if (channel >= carrying) {
      d.alpha_differs = true;
      continue;
    }
    d.samples.insert(pixel * carrying + channel);
    d.largest = std::max(d.largest, va > vb ? va - vb : vb - va);
  }
  return d;
}

// Reads, changes a few samples, writes; checks every byte but the image
// data is the cover's, and the pixels are the cover's but for the changes.
void ExpectRoundTrip(const Bytes& original, std::size_t changes, std::uint32_t seed) {
  PngCover cover = ReadOk(original);
  if (cover.samples.width == 0) return;
  const std::set<std::size_t> changed = ChangeSamples(cover, changes, seed);
  const Bytes written = Write(original, cover);
  EXPECT_EQ(WithoutIdat(written), WithoutIdat(original)) << "a chunk other than IDAT moved or changed";
  const RawPicture before = DecodeRaw(original), after = DecodeRaw(written);
  EXPECT_EQ(after.interlace, before.interlace);
  const RawDifference difference = Compare(before, after);
  EXPECT_EQ(difference.samples, changed);
  EXPECT_LE(difference.largest, 1u);
  EXPECT_FALSE(difference.alpha_differs);
  // And the written picture reads back as the changed samples.
  PngCover again = ReadOk(written);
  EXPECT_EQ(again.samples.values8, cover.samples.values8);
  EXPECT_EQ(again.samples.values16, cover.samples.values16);
  EXPECT_EQ(again.samples.locked, cover.samples.locked);
}

struct Shape {
  int colour_type, depth;
  bool interlaced;
};
class PngRoundTrip : public ::testing::TestWithParam<Shape> {};

TEST_P(PngRoundTrip, ChangesOnlyTheChangedSamplesAndKeepsEveryOtherChunk) {
  const Shape shape = GetParam();
  const TestPicture picture = MakeTestPicture(37, 23, shape.colour_type, shape.depth, shape.interlaced, 11);
  Bytes png = EncodePng(picture);
  // Ancillary chunks before and after the image data, and a private one.
  png = InsertChunk(png, "IDAT", PngChunk("gAMA", {0, 0, 0xB1, 0x8F}));
  png = InsertChunk(png, "IDAT", PngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}));
  png = InsertChunk(png, "IDAT", PngChunk("vwTs", RandomBytes(300, 3)));
  png = InsertChunk(png, "IEND", PngChunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'}));
  png = InsertChunk(png, "IEND", PngChunk("eXIf", {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0}));

  const PngCover cover = ReadOk(png);
  EXPECT_EQ(cover.samples.width, 37u);
  EXPECT_EQ(cover.samples.height, 23u);
  EXPECT_EQ(cover.samples.channels, shape.colour_type == 2 || shape.colour_type == 6 ? 3 : 1);
  EXPECT_EQ(cover.samples.depth, shape.depth);
  // The decoded samples are the ones written.
  const int with_alpha = picture.ChannelsWithAlpha();
  const int carrying = cover.samples.channels;
  std::size_t mismatches = 0, locked = 0;
  for (std::size_t p = 0; p < std::size_t{37} * 23; ++p) {
    for (int c = 0; c < carrying; ++c) {
      const unsigned got =
          shape.depth == 8 ? cover.samples.values8[p * carrying + c] : cover.samples.values16[p * carrying + c];
      mismatches += got != picture.samples[p * with_alpha + c];
    }
    if (with_alpha != carrying) {
      const bool full = picture.samples[p * with_alpha + carrying] == (shape.depth == 8 ? 0xFF : 0xFFFF);
      EXPECT_EQ(cover.samples.Locked(p), !full) << "pixel " << p;
      locked += !full;
    }
  }
  EXPECT_EQ(mismatches, 0u);
  if (with_alpha != carrying) {
    EXPECT_GT(locked, 0u);
  }
  ExpectRoundTrip(png, 40, 5);
  ExpectRoundTrip(png, 0, 6);
}

INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, PngRoundTrip,
                         ::testing::Values(Shape{0, 8, false}, Shape{0, 16, false}, Shape{2, 8, false},
                                           Shape{2, 16, false}, Shape{4, 8, false}, Shape{4, 16, false},
                                           Shape{6, 8, false}, Shape{6, 16, false}, Shape{0, 8, true},
                                           Shape{0, 16, true}, Shape{2, 8, true}, Shape{2, 16, true}, Shape{4, 8, true},
                                           Shape{4, 16, true}, Shape{6, 8, true}, Shape{6, 16, true}));

// Extraction reads only the low bits, a row at a time: the same bits as the
// whole picture's, and the same refusals.
TEST_P(PngRoundTrip, TheLowBitsAloneAreTheWholePicturesAndRefusedAlike) {
  const Shape shape = GetParam();
  TestPicture picture = MakeTestPicture(37, 23, shape.colour_type, shape.depth, shape.interlaced, 19);
  const Bytes png = EncodePng(picture);
  MemoryFile file(std::make_shared<Bytes>(png));
  auto low = codec::png::ReadPngLowBits(file);
  ASSERT_TRUE(std::holds_alternative<codec::CoverLowBits>(low));
  const codec::CoverLowBits& bits = std::get<codec::CoverLowBits>(low);
  const codec::CoverLowBits expected = codec::LowBitsOf(ReadOk(png).samples);
  EXPECT_EQ(bits.samples, expected.samples);
  EXPECT_EQ(bits.channels, expected.channels);
  EXPECT_EQ(bits.bits, expected.bits);
  if (shape.depth == 16) {
    for (auto& v : picture.samples) v = static_cast<std::uint16_t>((v >> 8) * 257);
    picture.samples[3] ^= 1;
    MemoryFile scaled(std::make_shared<Bytes>(EncodePng(picture)));
    auto refused = codec::png::ReadPngLowBits(scaled);
    ASSERT_TRUE(std::holds_alternative<PngRefusal>(refused));
    EXPECT_EQ(std::get<PngRefusal>(refused).reason, Refused(EncodePng(picture)).reason);
  }
}

TEST(PngCover, InterlacedPicturesAreWrittenInterlacedWithTheirIhdrUnchanged) {
  // Sizes where some of Adam7's passes are empty.
  for (const auto& [w, h] : {std::pair{1u, 1u}, {2u, 9u}, {5u, 1u}, {9u, 3u}, {64u, 65u}}) {
    Bytes png = EncodePng(MakeTestPicture(w, h, 2, 8, true, w * 100 + h));
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    ExpectRoundTrip(png, std::min<std::size_t>(w * h * 3 / 2, 20), 9);
    PngCover cover = ReadOk(png);
    EXPECT_EQ(DecodeRaw(Write(png, cover)).interlace, 1);
  }
}

TEST(PngCover, ATransparentKeyColourLocksTheValuesWithinOneOfIt) {
  TestPicture picture = MakeTestPicture(16, 16, 0, 8, false, 1);
  for (std::size_t p = 0; p < picture.samples.size(); ++p) picture.samples[p] = static_cast<std::uint16_t>(p % 256);
  picture.trns_grey = 100;
  const PngCover cover = ReadOk(EncodePng(picture));
  for (std::size_t p = 0; p < 256; ++p) {
    EXPECT_EQ(cover.samples.Locked(p), p >= 99 && p <= 101) << "grey value " << p;
  }
  ExpectRoundTrip(EncodePng(picture), 30, 2);
}

// The compressed image data of a PNG, and the lengths of its IDAT chunks.
Bytes ImageData(const Bytes& png) {
  Bytes data;
  for (const ChunkAt& c : ListChunks(png)) {
    if (c.type == "IDAT") data.insert(data.end(), png.begin() + c.offset + 8, png.begin() + c.offset + 8 + c.length);
  }
  return data;
}
std::vector<std::uint32_t> IdatLengths(const Bytes& png) {
  std::vector<std::uint32_t> lengths;
  for (const ChunkAt& c : ListChunks(png)) {
    if (c.type == "IDAT") lengths.push_back(c.length);
  }
  return lengths;
}

// The same picture with its image data split into chunks of these lengths,
// the last one taking what is left.
Bytes Resplit(const Bytes& png, const std::vector<std::uint32_t>& lengths) {
  const Bytes data = ImageData(png);
  const auto chunks = ListChunks(png);
  Bytes out(png.begin(), png.begin() + chunks[1].offset);
  std::size_t at = 0;
  for (std::size_t i = 0; at < data.size(); ++i) {
    const std::size_t length =
        i + 1 < lengths.size() ? std::min<std::size_t>(lengths[i], data.size() - at) : data.size() - at;
    const Bytes chunk = PngChunk("IDAT", Bytes(data.begin() + at, data.begin() + at + length));
    out.insert(out.end(), chunk.begin(), chunk.end());
    at += length;
  }
  const Bytes end = PngChunk("IEND", {});
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

TEST(PngCover, TheImageDataIsSplitIntoChunksAsLongAsTheCoversOwn) {
  const Bytes encoded = EncodePng(MakeTestPicture(120, 90, 2, 8, false, 12));
  const std::size_t size = ImageData(encoded).size();
  ASSERT_GT(size, 20000u);
  const struct {
    std::string name;
    std::vector<std::uint32_t> cover;  // as Resplit takes them
    std::vector<std::uint32_t> full;   // what the written chunks but the last must be
    std::uint32_t then;                // and then, when the cover's run out (0: one chunk)
  } cases[] = {
      {"1-byte chunks", std::vector<std::uint32_t>(size, 1), {}, 1},
      {"4 KiB chunks", std::vector<std::uint32_t>(size / 4096 + 1, 4096), {}, 4096},
      {"uneven chunks", {100, 3000, 7, 5000, 3000, 1}, {100, 3000, 7, 5000, 3000}, 3000},
      {"uneven, then short ones", {30000, 3, 3, 3, 1}, {30000, 3, 3, 3}, 3},
      {"two long ones", {20000, 9000, 1}, {20000, 9000}, 9000},
      {"one chunk", {}, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes png = Resplit(encoded, c.cover);
    PngCover cover = ReadOk(png);
    ChangeSamples(cover, 300, 4);
    const Bytes written = Write(png, cover);
    EXPECT_EQ(WithoutIdat(written), WithoutIdat(png));
    ExpectRoundTrip(png, 50, 7);
    const std::vector<std::uint32_t> lengths = IdatLengths(written);
    std::uint64_t total = 0;
    for (std::uint32_t length : lengths) total += length;
    ASSERT_EQ(total, ImageData(written).size());
    // What a split of that stream as the cover's gives.
    std::vector<std::uint32_t> expected;
    std::uint64_t left = total;
    for (std::size_t i = 0; left > 0; ++i) {
      const std::uint32_t next = i < c.full.size() ? c.full[i] : c.then;
      expected.push_back(next == 0 || left <= next ? static_cast<std::uint32_t>(left) : next);
      left -= expected.back();
    }
    EXPECT_EQ(lengths, expected);
    if (c.then == 0) {
      EXPECT_EQ(lengths.size(), 1u);
    }
  }
}

std::vector<std::filesystem::path> PngsUnder(const std::string& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().extension() == ".png" && entry.path().parent_path().filename() != "crashers") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Whether every colour or grey sample of a 16-bit picture repeats its high
// byte in its low one: 8-bit values scaled up by 257.
bool ScaledUpFromEightBits(const RawPicture& raw) {
  if (raw.depth != 16) return false;
  const int channels = raw.colour_type == 0 ? 1 : raw.colour_type == 4 ? 2 : raw.colour_type == 2 ? 3 : 4;
  const bool alpha = raw.colour_type == 4 || raw.colour_type == 6;
  for (std::size_t k = 0; 2 * k + 1 < raw.rows.size(); ++k) {
    if (alpha && k % channels == static_cast<std::size_t>(channels - 1)) continue;
    if (raw.rows[2 * k] != raw.rows[2 * k + 1]) return false;
  }
  return true;
}

// Pictures written by other programs: every 8- and 16-bit picture that is not
// a palette one reads and comes back with its pixels and chunks; the others,
// and 16-bit ones that hold 8-bit values, are refused with the reason.
TEST(PngCover, PicturesFromOtherProgramsRoundTripOrAreRefusedWithTheReason) {
  int decoded = 0, refused = 0, scaled_up = 0;
  for (const auto& path : PngsUnder(VEILWRIGHT_PNG_DATA)) {
    SCOPED_TRACE(path.string());
    const Bytes png = ReadAll(path.string());
    const int depth = png[24], colour_type = png[25];
    if (colour_type != 3 && depth >= 8 && ScaledUpFromEightBits(DecodeRaw(png))) {
      const PngRefusal refusal = Refused(png);
      EXPECT_EQ(refusal.kind, PngRefusal::Kind::kUnsupported);
      EXPECT_NE(refusal.reason.find("scaled up"), std::string::npos) << refusal.reason;
      ++scaled_up;
    } else if (colour_type != 3 && depth >= 8) {
      ExpectRoundTrip(png, 0, 1);
      ExpectRoundTrip(png, 25, 2);
      ++decoded;
    } else {
      const PngRefusal refusal = Refused(png);
      EXPECT_EQ(refusal.kind, PngRefusal::Kind::kUnsupported);
      EXPECT_NE(refusal.reason.find(colour_type == 3 ? "palette" : "-bit greyscale"), std::string::npos)
          << refusal.reason;
      ++refused;
    }
  }
  // PngSuite's basic set, libpng's test pictures and ImageMagick's (whose
  // 16-bit roses are 8-bit ones scaled up).
  EXPECT_GE(decoded, 70);
  EXPECT_GE(refused, 50);
  EXPECT_GE(scaled_up, 2);
}

// A picture whose low bits follow from its high ones would show any change
// of one; so would the first frame of an animation whose other frames stay.
TEST(PngCover, PicturesWhoseLowBitsWouldGiveAChangeAwayAreRefused) {
  const TestPicture real = MakeTestPicture(40, 30, 0, 16, false, 4);
  TestPicture picture = real;
  for (auto& v : picture.samples) v = static_cast<std::uint16_t>((v >> 8) * 257);
  EXPECT_NE(Refused(EncodePng(picture)).reason.find("scaled up (all repeat"), std::string::npos);
  // One sample, or a few, of 16-bit precision do not hide the rest's pattern.
  picture.samples[7] ^= 1;
  EXPECT_NE(Refused(EncodePng(picture)).reason.find("scaled up (1199 of 1200 repeat"), std::string::npos);
  for (std::size_t i = 0; i < 11; ++i) picture.samples[i * 100] = real.samples[i * 100] | 1;
  EXPECT_NE(Refused(EncodePng(picture)).reason.find("scaled up"), std::string::npos);
  for (auto& v : picture.samples) v = static_cast<std::uint16_t>(v & 0xFF00);
  picture.samples[500] |= 0x33;
  EXPECT_NE(Refused(EncodePng(picture)).reason.find("shifted up (1199 of 1200 have"), std::string::npos);
  // One in fifty of real precision is more than an edit: taken.
  for (std::size_t i = 0; i < 24; ++i) picture.samples[i * 50] = real.samples[i * 50] | 1;
  ReadOk(EncodePng(picture));
  ExpectRoundTrip(EncodePng(real), 20, 8);

  const Bytes rgb8 = EncodePng(MakeTestPicture(20, 10, 2, 8, false, 5));
  const PngRefusal rgb565 = Refused(InsertChunk(rgb8, "IDAT", PngChunk("sBIT", {5, 6, 5})));
  EXPECT_EQ(rgb565.kind, PngRefusal::Kind::kUnsupported);
  EXPECT_NE(rgb565.reason.find("5 significant bits of 8"), std::string::npos) << rgb565.reason;
  ExpectRoundTrip(InsertChunk(rgb8, "IDAT", PngChunk("sBIT", {8, 8, 8})), 10, 3);
  // Alpha's precision does not matter: alpha never changes.
  const Bytes rgba8 = EncodePng(MakeTestPicture(20, 10, 6, 8, false, 6));
  ExpectRoundTrip(InsertChunk(rgba8, "IDAT", PngChunk("sBIT", {8, 8, 8, 1})), 10, 4);

  const Bytes animated = InsertChunk(rgb8, "IDAT", PngChunk("acTL", {0, 0, 0, 2, 0, 0, 0, 0}));
  const PngRefusal refusal = Refused(animated);
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kUnsupported);
  EXPECT_NE(refusal.reason.find("animated"), std::string::npos) << refusal.reason;
}

TEST(PngCover, LibpngsCrashersAreRefusedWithAReason) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(VEILWRIGHT_PNG_DATA) + "/testpngs/crashers")) {
    SCOPED_TRACE(entry.path().string());
    const Bytes png = ReadAll(entry.path().string());
    const PngRefusal refusal = Refused(png);
    EXPECT_FALSE(refusal.reason.empty());
    // Their damage is found before their colour type, except where the
    // chunks themselves hold up.
    const bool cannot_carry = png[25] == 3 || png[24] < 8;
    if (!cannot_carry) {
      EXPECT_TRUE(refusal.kind == PngRefusal::Kind::kDamaged || refusal.kind == PngRefusal::Kind::kTruncated ||
                  refusal.kind == PngRefusal::Kind::kTooLarge)
          << refusal.reason;
    }
    ++files;
  }
  EXPECT_GE(files, 20);
}

TEST(CoverKind, IsToldByTheFirstBytesOfFilesFromOtherPrograms) {
  const std::string data = VEILWRIGHT_PNG_DATA;
  EXPECT_EQ(codec::CoverKindOf(ReadAll(data + "/refused/rose.jpg")), codec::CoverKind::kJpeg);
  EXPECT_EQ(codec::CoverKindOf(ReadAll(data + "/refused/rose.gif")), codec::CoverKind::kGif);
  EXPECT_EQ(codec::CoverKindOf(ReadAll(data + "/refused/rose.webp")), codec::CoverKind::kWebp);
  EXPECT_EQ(codec::CoverKindOf(ReadAll(data + "/imagemagick/rose-rgb8.png")), codec::CoverKind::kPng);
  EXPECT_EQ(codec::CoverKindOf(MakeBmp(200)), codec::CoverKind::kBmp);
  EXPECT_EQ(codec::CoverKindOf(Bytes{0x89, 'P', 'N'}), codec::CoverKind::kOther);
  EXPECT_EQ(codec::CoverKindOf(Bytes{}), codec::CoverKind::kOther);
  for (auto kind : {codec::CoverKind::kGif, codec::CoverKind::kWebp}) {
    const auto reason = codec::LossyCoverReason(kind);
    ASSERT_TRUE(reason.has_value());
    EXPECT_NE(reason->find("destroy the hidden file"), std::string::npos);
  }
  EXPECT_FALSE(codec::LossyCoverReason(codec::CoverKind::kPng).has_value());
  EXPECT_FALSE(codec::LossyCoverReason(codec::CoverKind::kJpeg).has_value());
  // A JPEG is no PNG, whatever it is called.
  EXPECT_EQ(Refused(ReadAll(data + "/refused/rose.jpg")).kind, PngRefusal::Kind::kNotPng);
}

// Hostile and damaged files.
class HostilePng : public ::testing::Test {
 protected:
  Bytes png_ = EncodePng(MakeTestPicture(40, 30, 2, 8, false, 4));
  std::size_t Offset(const std::string& type) const {
    for (const auto& c : ListChunks(png_))
      if (c.type == type) return c.offset;
    return 0;
  }
};

TEST_F(HostilePng, ABadChecksumIsDamage) {
  Bytes text = InsertChunk(png_, "IEND", PngChunk("tEXt", {'a', 0, 'b'}));
  text[text.size() - 12 - 1 - 4] ^= 1;  // the tEXt chunk's last data byte
  PngRefusal refusal = Refused(text);
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kDamaged);
  EXPECT_NE(refusal.reason.find("checksum of its tEXt"), std::string::npos) << refusal.reason;

  // The image data's stored checksum, and its data (zlib's own check).
  const auto idat = ListChunks(png_)[1];
  Bytes idat_crc = png_;
  idat_crc[idat.offset + 8 + idat.length] ^= 0x40;
  refusal = Refused(idat_crc);
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kDamaged);
  EXPECT_NE(refusal.reason.find("CRC"), std::string::npos) << refusal.reason;
  Bytes idat_data = png_;
  idat_data[idat.offset + 20] ^= 0x40;
  EXPECT_EQ(Refused(idat_data).kind, PngRefusal::Kind::kDamaged);
}

TEST_F(HostilePng, ACutFileIsTruncatedAndShortImageDataIsDamage) {
  for (std::size_t keep : {std::size_t{8}, std::size_t{20}, Offset("IDAT") + 30, png_.size() - 6}) {
    EXPECT_EQ(Refused(Bytes(png_.begin(), png_.begin() + keep)).kind, PngRefusal::Kind::kTruncated) << keep;
  }
  // A well-framed IDAT holding half the compressed rows.
  const auto idat = ListChunks(png_)[1];
  ASSERT_EQ(idat.type, "IDAT");
  Bytes half(png_.begin() + idat.offset + 8, png_.begin() + idat.offset + 8 + idat.length / 2);
  Bytes cut(png_.begin(), png_.begin() + idat.offset);
  const Bytes chunk = PngChunk("IDAT", half), end = PngChunk("IEND", {});
  cut.insert(cut.end(), chunk.begin(), chunk.end());
  cut.insert(cut.end(), end.begin(), end.end());
  const PngRefusal refusal = Refused(cut);
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kDamaged);
  EXPECT_NE(refusal.reason.find("its image data ends after"), std::string::npos) << refusal.reason;
}

TEST_F(HostilePng, AHugeHeaderIsRefusedBeforeAnythingIsDecoded) {
  Bytes huge = png_;
  const Bytes ihdr = PngChunk("IHDR", {0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 2, 0, 0, 0});  // 100000 x 100000
  std::copy(ihdr.begin(), ihdr.end(), huge.begin() + 8);
  const auto start = std::chrono::steady_clock::now();
  const PngRefusal refusal = Refused(huge);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kTooLarge);
  EXPECT_NE(refusal.reason.find("100000 x 100000"), std::string::npos) << refusal.reason;
  // Under a lower limit, an ordinary picture is too large as well.
  EXPECT_EQ(Refused(png_, PngLimits{40 * 30 * 3 - 1, 1 << 20}).kind, PngRefusal::Kind::kTooLarge);
  EXPECT_FALSE(std::holds_alternative<PngRefusal>(Read(png_, PngLimits{40 * 30 * 3, 1 << 20})));
}

TEST_F(HostilePng, ADecompressionBombIsRefusedQuickly) {
  // A 16 x 16 header over 32 MiB of compressed zeros.
  const Bytes zeros(32 << 20, 0);
  Bytes packed(compressBound(zeros.size()));
  uLongf packed_size = packed.size();
  ASSERT_EQ(compress2(packed.data(), &packed_size, zeros.data(), zeros.size(), 1), Z_OK);
  packed.resize(packed_size);
  Bytes bomb(png_.begin(), png_.begin() + 8);
  for (const Bytes& chunk :
       {PngChunk("IHDR", {0, 0, 0, 16, 0, 0, 0, 16, 8, 0, 0, 0, 0}), PngChunk("IDAT", packed), PngChunk("IEND", {})}) {
    bomb.insert(bomb.end(), chunk.begin(), chunk.end());
  }
  const auto start = std::chrono::steady_clock::now();
  const PngRefusal refusal = Refused(bomb);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kDamaged) << refusal.reason;
}

// A picture of IHDR, one IDAT of data and IEND.
Bytes PngOf(const Bytes& ihdr, const Bytes& idat) {
  Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (const Bytes& chunk : {PngChunk("IHDR", ihdr), PngChunk("IDAT", idat), PngChunk("IEND", {})}) {
    png.insert(png.end(), chunk.begin(), chunk.end());
  }
  return png;
}

// A zlib stream of zeros inflating to blocks x 16 MiB, made without
// compressing them all: all that comes before is zeros, so one block of
// them, repeated, stays valid.
Bytes ZerosStream(int blocks) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  const Bytes zeros(16 << 20, 0);
  Bytes block(compressBound(zeros.size()));
  z.next_in = const_cast<Bytef*>(zeros.data());
  z.avail_in = static_cast<uInt>(zeros.size());
  z.next_out = block.data();
  z.avail_out = static_cast<uInt>(block.size());
  EXPECT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
  block.resize(block.size() - z.avail_out);
  deflateEnd(&z);
  Bytes stream{0x78, 0xDA};
  for (int i = 0; i < blocks; ++i) stream.insert(stream.end(), block.begin(), block.end());
  for (std::uint8_t b : {0x03, 0x00, 0x00, 0x00, 0x00, 0x01}) stream.push_back(b);  // an empty last block, a checksum
  return stream;
}

TEST_F(HostilePng, ABombWithASmallHeaderIsRefusedAtTheSizeItsHeaderGives) {
  // 256 x 256 RGB: 196864 bytes of rows, over 2 GiB of zeros in 2 MB.
  const Bytes bomb = PngOf({0, 0, 1, 0, 0, 0, 1, 0, 8, 2, 0, 0, 0}, ZerosStream(128));
  ASSERT_LT(bomb.size(), 4u << 20);
  const auto start = std::chrono::steady_clock::now();
  const PngRefusal refusal = Refused(bomb);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kDamaged);
  EXPECT_EQ(refusal.reason,
            "the PNG file is damaged: its image data inflates to more than the 196864 bytes its IHDR gives (a "
            "decompression bomb?)");
  // Interlaced, the rows of Adam7's passes: 16 x 16 grey gives 2 x 3, 2 x 3,
  // 2 x 5, 4 x 5, 4 x 9, 8 x 9 and 8 x 17 bytes.
  const PngRefusal interlaced = Refused(PngOf({0, 0, 0, 16, 0, 0, 0, 16, 8, 0, 0, 0, 1}, ZerosStream(1)));
  EXPECT_NE(interlaced.reason.find("more than the 286 bytes"), std::string::npos) << interlaced.reason;
}

// Raw filtered rows that repeat: the compressed stream reaches back a row's
// length, 601 bytes, for every row after the first.
Bytes RepeatedRows(std::uint32_t width, std::uint32_t height) {
  const Bytes row = RandomBytes(1 + std::size_t{width} * 3, 2);
  Bytes rows;
  for (std::uint32_t y = 0; y < height; ++y) {
    rows.insert(rows.end(), row.begin(), row.end());
    rows[rows.size() - row.size()] = 0;  // filter None
  }
  return rows;
}
Bytes Compressed(const Bytes& data) {
  Bytes packed(compressBound(data.size()));
  uLongf size = packed.size();
  EXPECT_EQ(compress2(packed.data(), &size, data.data(), data.size(), 9), Z_OK);
  packed.resize(size);
  return packed;
}
Bytes Unfiltered(const Bytes& rows, std::size_t row_bytes) {
  Bytes pixels;
  for (std::size_t at = 0; at < rows.size(); at += row_bytes + 1) {
    pixels.insert(pixels.end(), rows.begin() + at + 1, rows.begin() + at + 1 + row_bytes);
  }
  return pixels;
}

// What libpng's own tools, ImageMagick and Pillow read (libpng's strict
// reader refuses them): a stream whose header claims a 256-byte window but
// that reaches further, and bytes after the end of the compressed stream.
TEST(PngCover, ImageDataOtherReadersTakeIsRead) {
  const Bytes ihdr{0, 0, 0, 200, 0, 0, 0, 40, 8, 2, 0, 0, 0};
  const Bytes rows = RepeatedRows(200, 40);
  Bytes small_window = Compressed(rows);
  small_window[0] = 0x08;  // CINFO 0: a 256-byte window
  small_window[1] =
      static_cast<std::uint8_t>((small_window[1] & 0xE0) + 31 - ((0x08 << 8) + (small_window[1] & 0xE0)) % 31);
  ASSERT_EQ(((small_window[0] << 8) + small_window[1]) % 31, 0);
  Bytes padded = Compressed(rows);
  padded.insert(padded.end(), 100, 0);
  const Bytes padded_chunk = InsertChunk(PngOf(ihdr, Compressed(rows)), "IEND", PngChunk("IDAT", Bytes(50, 7)));
  for (const Bytes& png : {PngOf(ihdr, small_window), PngOf(ihdr, padded), padded_chunk}) {
    PngCover cover = ReadOk(png);
    ASSERT_EQ(cover.samples.values8, Unfiltered(rows, 600));
    ChangeSamples(cover, 30, 3);
    // The copy is valid to the strict reader too, and keeps the changes.
    const Bytes written = Write(png, cover);
    EXPECT_EQ(WithoutIdat(written), WithoutIdat(png));
    EXPECT_EQ(DecodeRaw(written).rows, cover.samples.values8);
  }
  EXPECT_THROW(DecodeRaw(PngOf(ihdr, small_window)), std::runtime_error);

  // And what they refuse stays refused: a stream cut short, a wrong checksum.
  Bytes cut = Compressed(rows);
  cut.resize(cut.size() - 6);
  const std::string cut_reason = Refused(PngOf(ihdr, cut)).reason;
  EXPECT_NE(cut_reason.find("its image data ends after"), std::string::npos) << cut_reason;
  cut.resize(cut.size() - 200);
  EXPECT_NE(Refused(PngOf(ihdr, cut)).reason.find("of the 24040 bytes its IHDR gives"), std::string::npos);
  Bytes checksum = Compressed(rows);
  checksum.back() ^= 1;
  EXPECT_NE(Refused(PngOf(ihdr, checksum)).reason.find("zlib: incorrect data check"), std::string::npos);
}

TEST_F(HostilePng, HugeChunksAreRefused) {
  // A real 2 MiB text chunk, more than a limit of 1 MiB keeps.
  PngRefusal refusal =
      Refused(InsertChunk(png_, "IDAT", PngChunk("tEXt", Bytes(2 << 20, 'x'))), PngLimits{1 << 28, 1 << 20});
  EXPECT_EQ(refusal.kind, PngRefusal::Kind::kTooLarge);
  EXPECT_NE(refusal.reason.find("tEXt chunk holds"), std::string::npos) << refusal.reason;
  // A length the file does not have, and one no chunk may have.
  Bytes claims = InsertChunk(png_, "IDAT", PngChunk("zTXt", {1, 2, 3}));
  const std::size_t at = Offset("IDAT");
  claims[at] = 0x7F;
  EXPECT_EQ(Refused(claims).kind, PngRefusal::Kind::kTruncated);
  claims[at] = 0x80;
  EXPECT_EQ(Refused(claims).kind, PngRefusal::Kind::kDamaged);
}

TEST_F(HostilePng, OddChunkOrdersAreRefused) {
  const auto chunks = ListChunks(png_);
  // IDAT, tEXt, IDAT: image data split by another chunk.
  const std::size_t idat_begin = chunks[1].offset, idat_end = chunks[2].offset;
  const Bytes idat(png_.begin() + idat_begin + 8, png_.begin() + idat_end - 4);
  Bytes split(png_.begin(), png_.begin() + idat_begin);
  for (const Bytes& chunk : {PngChunk("IDAT", Bytes(idat.begin(), idat.begin() + 10)), PngChunk("tEXt", {'a', 0}),
                             PngChunk("IDAT", Bytes(idat.begin() + 10, idat.end())), PngChunk("IEND", {})}) {
    split.insert(split.end(), chunk.begin(), chunk.end());
  }
  EXPECT_EQ(Refused(split).kind, PngRefusal::Kind::kDamaged);
  EXPECT_EQ(Refused(InsertChunk(png_, "IDAT", PngChunk("ABCD", {1}))).kind, PngRefusal::Kind::kUnsupported);
  Bytes no_signature = png_;
  no_signature[1] = 'Q';
  EXPECT_EQ(Refused(no_signature).kind, PngRefusal::Kind::kNotPng);
  Bytes bad_depth = png_;
  const Bytes ihdr = PngChunk("IHDR", {0, 0, 0, 40, 0, 0, 0, 30, 5, 2, 0, 0, 0});
  std::copy(ihdr.begin(), ihdr.end(), bad_depth.begin() + 8);
  EXPECT_EQ(Refused(bad_depth).kind, PngRefusal::Kind::kDamaged);
}

TEST_F(HostilePng, FailingFilesAreReportedNotCrashed) {
  FaultPlan plan;
  plan.fail_reads_after_bytes = 200;
  FaultFile source(std::make_unique<MemoryFile>(std::make_shared<Bytes>(png_)), plan, true, "cover.png");
  auto result = codec::png::ReadPngCover(source);
  ASSERT_TRUE(std::holds_alternative<PngRefusal>(result));
  EXPECT_EQ(std::get<PngRefusal>(result).kind, PngRefusal::Kind::kIoFailure);

  const PngCover cover = ReadOk(png_);
  MemoryFile good_source(std::make_shared<Bytes>(png_));
  FaultPlan write_plan;
  write_plan.fail_writes_after_bytes = 100;
  FaultFile out(std::make_unique<MemoryFile>(std::make_shared<Bytes>()), write_plan, true, "out.png");
  EXPECT_THROW(codec::png::WritePngCover(good_source, cover, out), FileFailure);
  // A cover changed since it was read is not spliced.
  MemoryFile longer(std::make_shared<Bytes>(InsertChunk(png_, "IEND", PngChunk("tEXt", {'a', 0}))));
  MemoryFile sink(std::make_shared<Bytes>());
  EXPECT_THROW(codec::png::WritePngCover(longer, cover, sink), FileFailure);
}

}  // namespace
}  // namespace veil::test
