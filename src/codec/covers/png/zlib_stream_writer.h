#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "codec/covers/png/deflate_settings.h"

namespace veil::codec::png {

// A zlib stream of deflate's raw data with the header given (the cover's
// own where it is valid for this data) and the Adler-32 checksum of what
// was written, handed to out piece by piece.
class ZlibStreamWriter {
 public:
  using Out = std::function<void(std::span<const std::uint8_t>)>;
  // total: the bytes that will be written, for whether header may declare a
  // window smaller than settings use.
  ZlibStreamWriter(const DeflateSettings& settings, std::array<std::uint8_t, 2> header, std::uint64_t total, Out out);
  ~ZlibStreamWriter();
  ZlibStreamWriter(const ZlibStreamWriter&) = delete;
  ZlibStreamWriter& operator=(const ZlibStreamWriter&) = delete;

  void Write(std::span<const std::uint8_t> bytes);
  void Finish();

 private:
  void Deflate(int flush);

  z_stream z_{};
  Out out_;
  uLong adler_ = adler32(0L, Z_NULL, 0);
  std::vector<std::uint8_t> buffer_;
};

}  // namespace veil::codec::png
