#include "codec/covers/png_signature_damage.h"

#include <algorithm>
#include <array>

namespace veil::codec {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::array<std::uint8_t, 4> kIhdr{'I', 'H', 'D', 'R'};

std::string Hex(std::uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 15];
}

// The signature as a transfer that rewrites line ends leaves it.
std::array<std::uint8_t, 10> LfToCrLf() { return {0x89, 'P', 'N', 'G', 0x0D, 0x0D, 0x0A, 0x1A, 0x0D, 0x0A}; }
std::array<std::uint8_t, 9> CrToCrLf() { return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x0A, 0x1A, 0x0A}; }
std::array<std::uint8_t, 6> CrLfToLf() { return {0x89, 'P', 'N', 'G', 0x0A, 0x1A}; }

template <std::size_t N>
bool StartsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& prefix) {
  return bytes.size() >= N && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

}  // namespace

std::optional<std::string> DamagedPngSignature(std::span<const std::uint8_t> bytes) {
  // IHDR's type follows the signature and IHDR's length: at byte 12 of an
  // intact file, a few bytes off where line ends were rewritten.
  std::size_t ihdr = 0;
  for (std::size_t at = 8; at + kIhdr.size() <= std::min<std::size_t>(bytes.size(), 20); ++at) {
    if (std::equal(kIhdr.begin(), kIhdr.end(), bytes.begin() + at)) ihdr = at;
  }
  if (ihdr == 0) return std::nullopt;
  const std::string damaged = "the PNG file is damaged: its signature ";
  const std::string as_text = " (a file sent as text?)";
  if (StartsWith(bytes, LfToCrLf()) || StartsWith(bytes, CrToCrLf()) || StartsWith(bytes, CrLfToLf())) {
    return damaged + "has its line-end bytes rewritten" + as_text;
  }
  if (ihdr != 12) return damaged + "has bytes added or lost, so its IHDR chunk is not at byte 12" + as_text;
  if (bytes[0] == (kSignature[0] & 0x7F)) {
    return damaged + "lost the top bit of its first byte (0x09 for 0x89)" + as_text;
  }
  for (std::size_t i = 0; i < kSignature.size(); ++i) {
    if (bytes[i] != kSignature[i]) {
      return damaged + "has " + Hex(bytes[i]) + " at byte " + std::to_string(i) + " where a PNG has " +
             Hex(kSignature[i]) + (i >= 4 ? as_text : "");
    }
  }
  return std::nullopt;
}

std::optional<std::string> ReadPngSignatureDamage(RawFile& file) {
  std::uint8_t first[kSignatureDamageBytes] = {};
  return DamagedPngSignature({first, file.ReadAt(0, first)});
}

}  // namespace veil::codec
