#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/covers/png/png_chunk_map.h"
#include "codec/covers/png/sequential_writer.h"

namespace veil::codec::png {

// Splits a new compressed image stream into IDAT chunks of the lengths the
// cover's own have: the cover's chunks but its last, in order, then its
// most common length again, and whatever is left in a last, shorter chunk.
// A cover of one IDAT chunk gets one. Holds at most one chunk's bytes.
class IdatChunker {
 public:
  IdatChunker(SequentialWriter& out, std::vector<IdatRun> cover);

  void Take(std::span<const std::uint8_t> bytes);
  // Writes what is left as the last chunk.
  void Finish();

 private:
  // The next chunk's length; 0 for "all that is left".
  std::uint64_t NextLength();
  void Emit(std::span<const std::uint8_t> data);

  SequentialWriter& out_;
  std::vector<IdatRun> full_;  // the cover's chunks but its last
  std::size_t run_ = 0;
  std::uint64_t used_in_run_ = 0;
  std::uint64_t usual_ = 0;  // the most common of them
  std::uint64_t target_ = 0;
  std::vector<std::uint8_t> pending_;
};

}  // namespace veil::codec::png
