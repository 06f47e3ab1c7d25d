#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "files/raw_file.h"

namespace veil::codec {

// The first bytes to look at for a PNG whose signature was damaged.
inline constexpr std::size_t kSignatureDamageBytes = 32;

// Why a file that is no picture of a known kind is a damaged PNG: its first
// chunk is an IHDR near where a PNG has it, but its signature is not a PNG's
// (line ends converted by a transfer as text, a top bit lost, a byte
// changed). Empty for anything else.
std::optional<std::string> DamagedPngSignature(std::span<const std::uint8_t> first_bytes);
// The same, read from the file's first bytes. Throws FileFailure.
std::optional<std::string> ReadPngSignatureDamage(RawFile& file);

}  // namespace veil::codec
