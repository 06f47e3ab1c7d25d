#include "cli/file_formats.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace veil::cli {
namespace {

struct Signature {
  std::size_t offset;
  std::string_view bytes;
  const char* name;
  bool picture;
};

using namespace std::string_view_literals;

// Longer signatures before the shorter ones they begin with.
constexpr std::array kSignatures = {
    Signature{0, "\x89PNG\r\n\x1a\n"sv, "PNG", true},
    Signature{0, "\xFF\xD8\xFF"sv, "JPEG", true},
    Signature{0, "GIF87a"sv, "GIF", true},
    Signature{0, "GIF89a"sv, "GIF", true},
    Signature{0, "II*\0"sv, "TIFF", true},
    Signature{0, "MM\0*"sv, "TIFF", true},
    Signature{0, "II+\0"sv, "BigTIFF", true},
    Signature{0, "MM\0+"sv, "BigTIFF", true},
    Signature{8, "WEBP"sv, "WebP", true},
    Signature{4, "ftypavif"sv, "AVIF", true},
    Signature{4, "ftypheic"sv, "HEIC", true},
    Signature{4, "ftypheix"sv, "HEIC", true},
    Signature{4, "ftypmif1"sv, "HEIF", true},
    Signature{0, "\0\0\0\x0CjP  "sv, "JPEG 2000", true},
    Signature{0, "\0\0\0\x0CJXL "sv, "JPEG XL", true},
    Signature{0, "\xFF\x0A"sv, "JPEG XL", true},
    Signature{0, "8BPS"sv, "Photoshop (PSD)", true},
    Signature{0, "qoif"sv, "QOI", true},
    Signature{0, "\0\0\1\0"sv, "Windows icon (ICO)", true},
    Signature{0, "\0\0\2\0"sv, "Windows cursor (CUR)", true},
    Signature{0, "%PDF"sv, "PDF", false},
    Signature{0, "PK\3\4"sv, "ZIP", false},
};

}  // namespace

std::optional<KnownFormat> ReadKnownFormat(RawFile& file) {
  std::vector<std::uint8_t> head(16, 0);
  const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), head.size()));
  if (got != 0) file.ReadAt(0, std::span(head.data(), got));
  head.resize(got);
  for (const Signature& signature : kSignatures) {
    if (head.size() < signature.offset + signature.bytes.size()) continue;
    if (std::equal(signature.bytes.begin(), signature.bytes.end(), head.begin() + signature.offset,
                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
      return KnownFormat{signature.name, signature.picture};
  }
  return std::nullopt;
}

}  // namespace veil::cli
