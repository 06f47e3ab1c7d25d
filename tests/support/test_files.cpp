#include "support/test_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace veil::test {

TempDir::TempDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("veilwright-test-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(path_, ignored);
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(generator());
  return bytes;
}

std::uint32_t U32At(const Bytes& bytes, std::size_t offset) {
  return std::uint32_t{bytes[offset]} | (std::uint32_t{bytes[offset + 1]} << 8) |
         (std::uint32_t{bytes[offset + 2]} << 16) | (std::uint32_t{bytes[offset + 3]} << 24);
}

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes MakeBmp(std::size_t file_length, std::uint32_t pixel_offset, std::uint16_t bit_count, std::uint32_t seed) {
  Bytes bmp = RandomBytes(file_length, seed);
  std::fill(bmp.begin(), bmp.begin() + std::min<std::size_t>(54, file_length), 0);
  if (file_length < 54) return bmp;
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutU32(bmp, 2, static_cast<std::uint32_t>(file_length));
  PutU32(bmp, 10, pixel_offset);
  PutU32(bmp, 14, 40);
  // Rows of whole four-byte strides that fill as much of the rest as they
  // can, as near square as the length allows.
  const std::size_t room = file_length > pixel_offset ? (file_length - pixel_offset) / 4 * 4 : 0;
  std::size_t rows = room == 0 ? 0 : 1;
  for (std::size_t h = 1; h * h * 3 <= room; ++h)
    if (room % h == 0 && (room / h) % 4 == 0) rows = h;
  const std::size_t stride = rows == 0 ? 0 : room / rows;
  PutU32(bmp, 18, static_cast<std::uint32_t>(stride / 3));  // width: 3 bytes a pixel, at most 2 of padding
  PutU32(bmp, 22, static_cast<std::uint32_t>(rows));        // height
  bmp[26] = 1;
  bmp[28] = static_cast<std::uint8_t>(bit_count);
  bmp[29] = static_cast<std::uint8_t>(bit_count >> 8);
  return bmp;
}

Bytes MakeBmpOfSamples(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb) {
  const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
  Bytes bmp(54 + stride * height, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutU32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
  PutU32(bmp, 10, 54);
  PutU32(bmp, 14, 40);
  PutU32(bmp, 18, width);
  PutU32(bmp, 22, height);
  bmp[26] = 1;
  bmp[28] = 24;
  for (std::size_t y = 0; y < height; ++y)
    for (std::size_t x = 0; x < width; ++x)
      for (std::size_t c = 0; c < 3; ++c)
        bmp[54 + (height - 1 - y) * stride + x * 3 + c] = rgb[(y * width + x) * 3 + 2 - c];
  return bmp;
}

Bytes MakeV5BmpWithProfile(std::uint32_t width, std::uint32_t height, std::size_t profile_size) {
  const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
  const std::size_t pixels_end = 138 + stride * height;
  Bytes bmp = RandomBytes(pixels_end + profile_size, width * 7 + height);
  std::fill(bmp.begin(), bmp.begin() + 138, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutU32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
  PutU32(bmp, 10, 138);
  PutU32(bmp, 14, 124);
  PutU32(bmp, 18, width);
  PutU32(bmp, 22, height);
  bmp[26] = 1;
  bmp[28] = 24;
  PutU32(bmp, 14 + 56, 0x4D424544);  // PROFILE_EMBEDDED
  PutU32(bmp, 14 + 112, static_cast<std::uint32_t>(pixels_end - 14));
  PutU32(bmp, 14 + 116, static_cast<std::uint32_t>(profile_size));
  if (profile_size >= 40) std::copy_n("acsp", 4, bmp.begin() + static_cast<std::ptrdiff_t>(pixels_end + 36));
  return bmp;
}

Bytes MakeOs2Bmp(std::uint16_t width, std::uint16_t height, std::uint16_t bit_count) {
  const std::size_t row_bits = std::size_t{width} * bit_count;
  const std::size_t stride = (row_bits + 31) / 32 * 4;
  const std::size_t palette = bit_count <= 8 ? 3u << bit_count : 0;
  Bytes bmp = RandomBytes(26 + palette + stride * height, width + height);
  std::fill(bmp.begin(), bmp.begin() + 26, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutU32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
  PutU32(bmp, 10, static_cast<std::uint32_t>(26 + palette));
  PutU32(bmp, 14, 12);
  bmp[18] = static_cast<std::uint8_t>(width);
  bmp[19] = static_cast<std::uint8_t>(width >> 8);
  bmp[20] = static_cast<std::uint8_t>(height);
  bmp[21] = static_cast<std::uint8_t>(height >> 8);
  bmp[22] = 1;
  bmp[24] = static_cast<std::uint8_t>(bit_count);
  return bmp;
}

Bytes MakeIcon() {
  // ICONDIR, two ICONDIRENTRYs, then each image as a BITMAPINFOHEADER with
  // twice the height (colour and mask), XOR pixels and an AND mask.
  constexpr std::size_t kImage = 40 + 16 * 16 * 3 + 16 * 4;
  Bytes ico = RandomBytes(6 + 2 * 16 + 2 * kImage, 11);
  std::fill(ico.begin(), ico.begin() + 6 + 2 * 16, 0);
  ico[2] = 1;  // type: icon
  ico[4] = 2;  // two images
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t entry = 6 + 16 * i;
    const std::size_t at = 6 + 2 * 16 + i * kImage;
    ico[entry] = 16;
    ico[entry + 1] = 16;
    ico[entry + 4] = 1;   // planes
    ico[entry + 6] = 24;  // bit count
    PutU32(ico, entry + 8, static_cast<std::uint32_t>(kImage));
    PutU32(ico, entry + 12, static_cast<std::uint32_t>(at));
    std::fill(ico.begin() + static_cast<std::ptrdiff_t>(at), ico.begin() + static_cast<std::ptrdiff_t>(at + 40), 0);
    PutU32(ico, at, 40);
    PutU32(ico, at + 4, 16);
    PutU32(ico, at + 8, 32);
    ico[at + 12] = 1;
    ico[at + 14] = 24;
  }
  return ico;
}

}  // namespace veil::test
