#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veil::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

Bytes ReadAll(const std::string& path);
void WriteAll(const std::string& path, const Bytes& bytes);
Bytes RandomBytes(std::size_t size, std::uint32_t seed);

// A 24-bit BMP of exactly file_length bytes whose pixel data starts at
// pixel_offset (with a palette-sized gap after the 40-byte info header when
// the offset is beyond 54); pixel bytes are pseudo-random.
Bytes MakeBmp(std::size_t file_length, std::uint32_t pixel_offset = 54, std::uint16_t bit_count = 24,
              std::uint32_t seed = 7);

std::uint32_t U32At(const Bytes& bytes, std::size_t offset);
void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);

}  // namespace veil::test
