#include "support/test_files.h"

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
  PutU32(bmp, 18, 16);  // width
  PutU32(bmp, 22, 16);  // height
  bmp[26] = 1;
  bmp[28] = static_cast<std::uint8_t>(bit_count);
  bmp[29] = static_cast<std::uint8_t>(bit_count >> 8);
  return bmp;
}

}  // namespace veil::test
