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
// pixel_offset (with a gap after the 40-byte info header when the offset is
// beyond 54); its width and height make the pixel array fill the rest of the
// file but for the 0-3 bytes a four-byte row stride cannot cover. Pixel bytes
// are pseudo-random.
Bytes MakeBmp(std::size_t file_length, std::uint32_t pixel_offset = 54, std::uint16_t bit_count = 24,
              std::uint32_t seed = 7);

// A plain 24-bit BMP (40-byte header, bottom-up rows, padded) of the given
// samples: top row first, red, green and blue a pixel.
Bytes MakeBmpOfSamples(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgb);

// Pictures of the kinds other programs write. A 24-bit picture with a V5
// header whose embedded colour profile of profile_size bytes follows the
// pixels (as bmpsuite's rgb24prof).
Bytes MakeV5BmpWithProfile(std::uint32_t width, std::uint32_t height, std::size_t profile_size);
// An OS/2 1.x picture: a 12-byte header with 16-bit fields, bit count at 24.
Bytes MakeOs2Bmp(std::uint16_t width, std::uint16_t height, std::uint16_t bit_count);
// A standard icon file holding two 16 x 16 24-bit images.
Bytes MakeIcon();

std::uint32_t U32At(const Bytes& bytes, std::size_t offset);
void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);

}  // namespace veil::test
