#pragma once

#include <cstdint>
#include <span>

#include "codec/covers/png/png_chunk_map.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// The compressed image stream: the data of the IDAT run's chunks, one after
// another, without their framing.
class IdatStream {
 public:
  IdatStream(RawFile& file, const PngChunkMap& map) : file_(file), next_chunk_(map.idat_begin), end_(map.idat_end) {}

  // Up to out.size() bytes; 0 once the last chunk's data is read. Throws
  // FileFailure.
  std::size_t Read(std::span<std::uint8_t> out);

 private:
  RawFile& file_;
  std::uint64_t next_chunk_;
  std::uint64_t end_;
  std::uint64_t at_ = 0;    // in the file, within a chunk's data
  std::uint64_t left_ = 0;  // of that chunk's data
};

}  // namespace veil::codec::png
