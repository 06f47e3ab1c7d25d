#pragma once

#include <cstdint>
#include <vector>

#include "files/raw_file.h"

namespace veil::codec {

// Bytes [from, from + size) of a hidden file of hidden_length bytes whose
// pixel data starts at pixel_offset, gathered from just the groups that
// carry them. Throws FileFailure.
std::vector<std::uint8_t> ReadHiddenBytes(RawFile& cover, std::uint64_t pixel_offset, std::uint64_t hidden_length,
                                          std::uint64_t from, std::size_t size);

}  // namespace veil::codec
