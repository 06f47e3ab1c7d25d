// A PNG written back is coded as its own encoder coded it: with no sample
// changed the image data comes back byte for byte from libpng's writer at
// any setting, from zlib used directly and from other programs; with samples
// changed each row keeps its filter type and the stream its header, so the
// rewrite does not tell which program wrote the file last.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <filesystem>
#include <memory>
#include <random>

#include "codec/covers/png/png_reader.h"
#include "codec/covers/png/png_writer.h"
#include "files/memory_file.h"
#include "support/png_test_files.h"

namespace veil::test {
namespace {

using codec::png::PngCover;
using codec::png::PngRefusal;

struct Rewrite {
  Bytes written;
  codec::png::DeflateSettings settings;
};

// Reads bytes as a cover, lets change alter it, writes it back.
template <typename Change>
Rewrite ReadAndWrite(const Bytes& bytes, Change change) {
  MemoryFile source(std::make_shared<Bytes>(bytes));
  auto reading = codec::png::ReadPngCover(source);
  if (auto* refusal = std::get_if<PngRefusal>(&reading)) {
    ADD_FAILURE() << "refused: " << refusal->reason;
    return {};
  }
  PngCover& cover = std::get<PngCover>(reading);
  change(cover);
  Rewrite rewrite{{}, codec::png::CoverDeflateSettings(source, cover)};
  auto out = std::make_shared<Bytes>();
  MemoryFile out_file(out);
  codec::png::WritePngCover(source, cover, out_file, rewrite.settings);
  rewrite.written = *out;
  return rewrite;
}

Rewrite Unchanged(const Bytes& bytes) {
  return ReadAndWrite(bytes, [](PngCover&) {});
}

Bytes ImageData(const Bytes& png) {
  Bytes data;
  for (const ChunkAt& chunk : ListChunks(png))
    if (chunk.type == "IDAT")
      data.insert(data.end(), png.begin() + chunk.offset + 8, png.begin() + chunk.offset + 8 + chunk.length);
  return data;
}

Bytes Inflate(const Bytes& stream) {
  z_stream z{};
  EXPECT_EQ(inflateInit(&z), Z_OK);
  Bytes out(1 << 16), all;
  z.next_in = const_cast<std::uint8_t*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    status = inflate(&z, Z_NO_FLUSH);
    all.insert(all.end(), out.begin(), out.end() - z.avail_out);
  }
  EXPECT_EQ(status, Z_STREAM_END);
  inflateEnd(&z);
  return all;
}

// The filter byte of each row of a picture that is not interlaced.
Bytes RowFilters(const Bytes& png, std::size_t row_bytes) {
  const Bytes rows = Inflate(ImageData(png));
  Bytes types;
  for (std::size_t at = 0; at < rows.size(); at += row_bytes + 1) types.push_back(rows[at]);
  return types;
}

// A picture with smooth areas and noise, so that every filter and match
// length occurs.
TestPicture Photo(std::uint32_t width, std::uint32_t height, int colour_type, int depth, std::uint32_t seed) {
  TestPicture picture = MakeTestPicture(width, height, colour_type, depth, false, seed);
  std::mt19937 random(seed);
  const int channels = picture.ChannelsWithAlpha();
  const std::uint32_t full = depth == 8 ? 0xFF : 0xFFFF;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) {
        const std::uint32_t smooth = (x * 3 + y * 2 + c * 40) % 256 * (full / 255);
        auto& v = picture.samples[(std::size_t{y} * width + x) * channels + c];
        if ((x / 16 + y / 16) % 3 != 0)
          v = static_cast<std::uint16_t>(
              std::min<std::uint32_t>(full, smooth + static_cast<std::uint32_t>(random() % 3)));
      }
  return picture;
}

// Pillow's way: rows filtered by hand with the types given in turn, then
// zlib on its own (no libpng) with the settings given.
Bytes ZlibWritten(const TestPicture& picture, const std::vector<std::uint8_t>& types, int level, int mem_level,
                  int strategy, std::size_t chunk = 65536) {
  const std::size_t pixel = static_cast<std::size_t>(picture.ChannelsWithAlpha()) * picture.depth / 8;
  const std::size_t row_bytes = pixel * picture.width;
  Bytes raw, previous(row_bytes, 0);
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    Bytes row(row_bytes);
    for (std::size_t i = 0; i < row_bytes / (picture.depth / 8); ++i) {
      const std::uint16_t v = picture.samples[y * (row_bytes / (picture.depth / 8)) + i];
      if (picture.depth == 8) {
        row[i] = static_cast<std::uint8_t>(v);
      } else {
        row[2 * i] = static_cast<std::uint8_t>(v >> 8);
        row[2 * i + 1] = static_cast<std::uint8_t>(v);
      }
    }
    const std::uint8_t type = types[y % types.size()];  // 0 None, 1 Sub, 2 Up
    raw.push_back(type);
    for (std::size_t i = 0; i < row_bytes; ++i) {
      const std::uint8_t predictor = type == 1 ? (i >= pixel ? row[i - pixel] : 0) : type == 2 ? previous[i] : 0;
      raw.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
    previous = row;
  }
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, mem_level, strategy), Z_OK);
  Bytes compressed(deflateBound(&z, raw.size()));
  z.next_in = raw.data();
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = compressed.data();
  z.avail_out = static_cast<uInt>(compressed.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  compressed.resize(z.total_out);
  deflateEnd(&z);

  Bytes ihdr(13);
  for (int i = 0; i < 4; ++i) {
    ihdr[i] = static_cast<std::uint8_t>(picture.width >> (24 - 8 * i));
    ihdr[4 + i] = static_cast<std::uint8_t>(picture.height >> (24 - 8 * i));
  }
  ihdr[8] = static_cast<std::uint8_t>(picture.depth);
  ihdr[9] = static_cast<std::uint8_t>(picture.colour_type);
  Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto append = [&png](const Bytes& c) { png.insert(png.end(), c.begin(), c.end()); };
  append(PngChunk("IHDR", ihdr));
  for (std::size_t at = 0; at < compressed.size(); at += chunk)
    append(
        PngChunk("IDAT", Bytes(compressed.begin() + at, compressed.begin() + std::min(compressed.size(), at + chunk))));
  append(PngChunk("IEND", {}));
  return png;
}

// Adds one to every 97th sample that can take it.
void ChangeSome(PngCover& cover) {
  auto& s = cover.samples;
  const std::size_t count = s.depth == 8 ? s.values8.size() : s.values16.size();
  for (std::size_t i = 0; i < count; i += 97) {
    if (s.depth == 8 && s.values8[i] < 255) ++s.values8[i];
    if (s.depth == 16 && s.values16[i] < 65535) ++s.values16[i];
  }
}

// The picture with its compressed stream's two header bytes replaced (in
// its first IDAT chunk, whose checksum is made anew).
Bytes WithZlibHeader(Bytes png, std::uint8_t cmf, std::uint8_t flg) {
  for (const ChunkAt& chunk : ListChunks(png)) {
    if (chunk.type != "IDAT") continue;
    Bytes data(png.begin() + chunk.offset + 8, png.begin() + chunk.offset + 8 + chunk.length);
    data[0] = cmf;
    data[1] = flg;
    const Bytes replaced = PngChunk("IDAT", data);
    std::copy(replaced.begin(), replaced.end(), png.begin() + chunk.offset);
    break;
  }
  return png;
}

TEST(PngRecoding, PicturesLibpngWroteAtAnySettingComeBackByteForByte) {
  const LibpngSettings settings[] = {
      {},                              // libpng's defaults: level 6, filtered, adaptive filters
      {9, -1, PNG_FILTER_PAETH, -1},   // maximum, one filter
      {1, Z_RLE, PNG_FILTER_SUB, -1},  // fast and run-length
      {3, -1, PNG_ALL_FILTERS, 9},     // fast, the largest memory
      {6, Z_HUFFMAN_ONLY, PNG_FILTER_AVG | PNG_FILTER_UP, -1},
      {0, -1, PNG_FILTER_NONE, -1},                 // stored
      {7, Z_DEFAULT_STRATEGY, PNG_ALL_FILTERS, 8},  // ImageMagick's default
  };
  int cases = 0;
  for (const LibpngSettings& setting : settings)
    for (int colour_type : {0, 2, 4, 6})
      for (int depth : {8, 16})
        for (bool interlaced : {false, true}) {
          TestPicture picture = Photo(45, 31, colour_type, depth, static_cast<std::uint32_t>(cases));
          picture.interlaced = interlaced;
          const Bytes png = EncodePng(picture, setting);
          const Rewrite rewrite = Unchanged(png);
          EXPECT_EQ(rewrite.written, png)
              << "level " << setting.level << " strategy " << setting.strategy << " filters " << setting.filters
              << " colour type " << colour_type << " depth " << depth << " interlaced " << interlaced
              << "; chosen: " << rewrite.settings.Describe();
          EXPECT_TRUE(rewrite.settings.reproduces_cover);
          ++cases;
        }
  EXPECT_EQ(cases, 7 * 16);
}

TEST(PngRecoding, LargePicturesTriedOnTheirStartAloneComeBackByteForByte) {
  // More image data than the settings are tried on (over 2 MiB).
  for (const LibpngSettings& setting : {LibpngSettings{}, LibpngSettings{9, -1, PNG_ALL_FILTERS, -1}}) {
    const Bytes png = EncodePng(Photo(1100, 800, 2, 8, 7), setting);
    const Rewrite rewrite = Unchanged(png);
    EXPECT_EQ(rewrite.written, png) << rewrite.settings.Describe();
  }
  const Bytes direct = ZlibWritten(Photo(900, 900, 6, 8, 8), {1, 2, 2, 0}, 6, 8, Z_DEFAULT_STRATEGY);
  EXPECT_EQ(Unchanged(direct).written, direct);
}

TEST(PngRecoding, ImageDataZlibWroteWithoutLibpngComesBackByteForByte) {
  struct Setting {
    int level, mem_level, strategy;
  };
  for (const Setting& s : {Setting{6, 8, Z_DEFAULT_STRATEGY}, Setting{9, 9, Z_DEFAULT_STRATEGY},
                           Setting{1, 8, Z_DEFAULT_STRATEGY}, Setting{4, 8, Z_FILTERED}, Setting{1, 9, Z_RLE}}) {
    // A small picture (zlib's header says a 32 KiB window, libpng's would be
    // smaller) split into odd chunks.
    const Bytes png = ZlibWritten(Photo(30, 20, 2, 8, 3), {0, 1, 2}, s.level, s.mem_level, s.strategy, 777);
    const Rewrite rewrite = Unchanged(png);
    EXPECT_EQ(rewrite.written, png) << "level " << s.level << " memory " << s.mem_level << " strategy " << s.strategy
                                    << "; chosen: " << rewrite.settings.Describe();
  }
}

TEST(PngRecoding, ChangedSamplesKeepEachRowsFilterTheZlibHeaderAndTheChunks) {
  const TestPicture picture = Photo(64, 40, 2, 8, 11);
  const std::vector<std::uint8_t> types{2, 0, 1, 1, 2};
  const Bytes png = ZlibWritten(picture, types, 9, 8, Z_DEFAULT_STRATEGY, 1000);
  const Rewrite rewrite = ReadAndWrite(png, ChangeSome);
  ASSERT_NE(rewrite.written, png);
  EXPECT_EQ(RowFilters(rewrite.written, 64 * 3), RowFilters(png, 64 * 3));
  const Bytes old_data = ImageData(png), new_data = ImageData(rewrite.written);
  EXPECT_EQ(Bytes(new_data.begin(), new_data.begin() + 2), Bytes(old_data.begin(), old_data.begin() + 2));
  EXPECT_EQ(WithoutIdat(rewrite.written), WithoutIdat(png));
  // libpng reads exactly the changed samples.
  const RawPicture back = DecodeRaw(rewrite.written);
  std::size_t differing = 0;
  const RawPicture before = DecodeRaw(png);
  for (std::size_t i = 0; i < back.rows.size(); ++i) differing += back.rows[i] != before.rows[i];
  EXPECT_EQ(differing, (64 * 40 * 3 + 96) / 97 - 0u) << "each 97th sample, none at 255 in this picture";

  // Interlaced, 16 bits, Paeth: the rewrite decodes to the changed samples.
  TestPicture deep = Photo(33, 27, 6, 16, 12);
  deep.interlaced = true;
  const Bytes interlaced = EncodePng(deep, {9, -1, PNG_FILTER_PAETH, -1});
  PngCover expected;
  const Rewrite changed = ReadAndWrite(interlaced, [&expected](PngCover& cover) {
    ChangeSome(cover);
    expected = cover;
  });
  MemoryFile reread(std::make_shared<Bytes>(changed.written));
  auto again = codec::png::ReadPngCover(reread);
  ASSERT_TRUE(std::holds_alternative<PngCover>(again));
  EXPECT_EQ(std::get<PngCover>(again).samples.values16, expected.samples.values16);
  EXPECT_EQ(std::get<PngCover>(again).coding.row_filters, expected.coding.row_filters);
  EXPECT_EQ(DecodeRaw(changed.written).interlace, 1);
}

TEST(PngRecoding, DataNoZlibSettingGivesBackKeepsItsHeaderAndStaysValid) {
  // Stored blocks under a header claiming maximum compression: no usual
  // setting compresses into this, so the header's level is taken and its
  // two bytes kept.
  const TestPicture picture = Photo(50, 30, 0, 8, 4);
  const Bytes png = WithZlibHeader(ZlibWritten(picture, {1}, 0, 8, Z_DEFAULT_STRATEGY), 0x78, 0xDA);
  const Rewrite rewrite = ReadAndWrite(png, ChangeSome);
  EXPECT_FALSE(rewrite.settings.reproduces_cover);
  EXPECT_EQ(rewrite.settings.level, 9);
  const Bytes data = ImageData(rewrite.written);
  EXPECT_EQ(data[0], 0x78);
  EXPECT_EQ(data[1], 0xDA);
  EXPECT_LT(data.size(), ImageData(png).size());  // compressed now, not stored
  EXPECT_EQ(RowFilters(rewrite.written, 50), Bytes(30, 1));
  EXPECT_NO_THROW(DecodeRaw(rewrite.written));

  // A header that claims a 256-byte window, over stored data that needs none:
  // a rewrite compressed with a larger window declares the window it uses,
  // so that readers that believe the header still read it.
  const Bytes small_window =
      WithZlibHeader(ZlibWritten(Photo(40, 40, 2, 8, 5), {0}, 0, 8, Z_DEFAULT_STRATEGY), 0x08, 0x1D);
  const Rewrite widened = ReadAndWrite(small_window, ChangeSome);
  const Bytes widened_data = ImageData(widened.written);
  EXPECT_GT(widened_data[0] >> 4, 0);
  EXPECT_NO_THROW(DecodeRaw(widened.written));
}

TEST(PngRecoding, PicturesOtherProgramsWroteComeBackWithTheirOwnImageData) {
  int accepted = 0, identical = 0;
  std::string different;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(VEILWRIGHT_PNG_DATA)) {
    if (entry.path().extension() != ".png") continue;
    const Bytes png = ReadAll(entry.path().string());
    MemoryFile source(std::make_shared<Bytes>(png));
    auto reading = codec::png::ReadPngCover(source);
    if (!std::holds_alternative<PngCover>(reading)) continue;
    ++accepted;
    const Rewrite rewrite = Unchanged(png);
    if (rewrite.written == png) {
      ++identical;
    } else {
      different += " " + entry.path().filename().string();
    }
  }
  EXPECT_GT(accepted, 60);
  EXPECT_EQ(identical, accepted) << "written otherwise:" << different;
}

}  // namespace
}  // namespace veil::test
