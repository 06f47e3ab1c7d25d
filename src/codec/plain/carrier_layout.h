#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codec/covers/bmp_layout.h"

namespace veil::carrier {

// Offsets from the start of the BMP file.
inline constexpr std::uint64_t kMarkerOffset = 6;       // bfReserved1 and bfReserved2
inline constexpr std::uint64_t kFlagsOffset = 9;        // top byte of the marker
inline constexpr std::uint64_t kPixelOffsetField = 10;  // bfOffBits
inline constexpr std::int64_t kFileHeaderSize = 14;

// Offsets from the start of the pixel data.
inline constexpr std::uint64_t kExtensionAt = 0;
inline constexpr std::uint64_t kPasswordLengthAt = 3;
inline constexpr std::uint64_t kPasswordAt = 4;
inline constexpr std::uint64_t kHiddenHeaderSize = 12;

inline constexpr std::size_t kGroupCoverBytes = 12;
inline constexpr std::size_t kGroupDataBytes = 3;
inline constexpr std::size_t kExtensionSize = 3;
inline constexpr std::size_t kPasswordFieldSize = 8;

inline constexpr std::uint32_t kMaxHiddenLength = 0xFFFFFF;
inline constexpr std::uint32_t kVersionMask = 0xF0000000;
inline constexpr std::uint32_t kVersion1 = 0x10000000;
inline constexpr std::uint32_t kPasswordBit = 0x08000000;
inline constexpr std::uint8_t kPasswordFlags = 0x18;
inline constexpr std::uint16_t kRequiredBitCount = 24;
inline constexpr std::uint64_t kKilobyteHint = 4092;

inline constexpr std::string_view kFallbackExtension = "msg";
inline constexpr std::string_view kNoPassword = "00000000";

constexpr std::uint64_t GroupsFor(std::uint64_t length) { return (length + 2) / 3; }

// Pixel bytes (from the pixel-data offset on) that a hidden file of length
// bytes takes, the hidden header included.
constexpr std::uint64_t BytesNeeded(std::uint64_t length) {
  return kHiddenHeaderSize + kGroupCoverBytes * GroupsFor(length);
}

constexpr std::uint32_t MarkerValue(std::uint32_t length, bool with_password) {
  return (length & kMaxHiddenLength) | (with_password ? kVersion1 | kPasswordBit : kVersion1);
}

constexpr std::uint32_t HiddenLength(std::uint32_t marker) { return marker & kMaxHiddenLength; }
constexpr std::uint32_t FormatVersion(std::uint32_t marker) { return marker >> 28; }

// Reserved words this program reads as a hidden file: version 1, or a
// sealed file (version 2 with no other flag). Anything else there was left
// by another program, or is damage.
constexpr bool IsOwnMarker(std::uint32_t marker) {
  return (marker & kVersionMask) == kVersion1 || (marker & 0xFF000000) == 0x20000000;
}

// The pixel-data offset can be trusted when the pixel data starts after the
// BMP file header and the hidden header fits inside the file.
constexpr bool PixelOffsetUsable(std::int64_t pixel_offset, std::uint64_t file_length) {
  return pixel_offset >= kFileHeaderSize && static_cast<std::uint64_t>(pixel_offset) + kHiddenHeaderSize <= file_length;
}

// The largest file that fits, by the embedding's own size test, when the
// hidden header and the groups may use the bytes from pixel_offset to end.
std::uint64_t CapacityBytes(std::uint64_t end, std::int64_t pixel_offset);
bool Fits(std::uint64_t end, std::int64_t pixel_offset, std::uint64_t length);

// A hiding writes inside the declared pixel array alone.
inline std::uint64_t CapacityBytes(const BmpLayout& cover) {
  return CapacityBytes(cover.pixelArrayEnd, cover.pixelOffset);
}
inline bool Fits(const BmpLayout& cover, std::uint64_t length) {
  return Fits(cover.pixelArrayEnd, cover.pixelOffset, length);
}

// The size hint shown to users, in units of 4092 bytes; never more than the
// largest file the length field holds.
constexpr std::uint64_t KilobyteHint(std::uint64_t file_length) {
  return (file_length < kMaxHiddenLength ? file_length : kMaxHiddenLength) / kKilobyteHint;
}
// Of a cover: up to the end of its pixel array, which for an ordinary
// picture is the end of the file.
inline std::uint64_t KilobyteHint(const BmpLayout& cover) { return KilobyteHint(cover.pixelArrayEnd); }

// A character can go into the hidden header when it is one byte that reads
// the same in every code page: printable ASCII.
bool IsPortableText(std::string_view text);

// The extension of a path as stored: the last three characters when the path
// ends in a dot and three portable characters, else nothing.
std::optional<std::string> StoredExtension(std::string_view path);

// A password the hidden header can hold: at most 8 portable characters.
bool IsStorablePassword(std::string_view password);

// The password field: the text left-aligned in 8 bytes, cut or blank-padded.
std::array<std::uint8_t, kPasswordFieldSize> PasswordField(std::string_view password);

}  // namespace veil::carrier
