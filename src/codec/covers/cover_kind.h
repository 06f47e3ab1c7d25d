#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "files/raw_file.h"

namespace veil::codec {

// What kind of picture a file holds, told by its first bytes alone: a name
// ending in .png says nothing about what is inside.
enum class CoverKind {
  kBmp,
  kPng,
  kJpeg,
  kGif,
  kWebp,
  kOther,
};

// The first bytes needed to tell every kind apart.
inline constexpr std::size_t kCoverSignatureBytes = 12;

CoverKind CoverKindOf(std::span<const std::uint8_t> first_bytes);
// The same, read from the file's first bytes. Throws FileFailure.
CoverKind ReadCoverKind(RawFile& picture);

// "BMP", "PNG", "JPEG", ... for messages.
const char* CoverKindName(CoverKind kind);

// Why a picture of this kind cannot carry a hidden file; empty for the kinds
// that can (BMP, PNG, JPEG) and for unknown ones, which are told apart
// elsewhere.
std::optional<std::string> LossyCoverReason(CoverKind kind);

// PNG and JPEG pictures carry a file in the stealth form only: the other
// forms live in a BMP's pixel bytes and header.
bool CarriesOnlyStealth(CoverKind kind);

}  // namespace veil::codec
