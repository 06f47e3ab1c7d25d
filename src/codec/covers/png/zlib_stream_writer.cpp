#include "codec/covers/png/zlib_stream_writer.h"

#include <new>

#include "files/file_failure.h"

namespace veil::codec::png {
namespace {

// A valid header: deflate, no preset dictionary, a window that covers every
// distance the data may use, and its check bits right.
bool Usable(std::array<std::uint8_t, 2> header, int window_bits, std::uint64_t total) {
  const auto [cmf, flg] = header;
  const int declared = (cmf >> 4) + 8;
  return (cmf & 0x0F) == 8 && declared <= 15 && (flg & 0x20) == 0 && ((cmf << 8) | flg) % 31 == 0 &&
         (window_bits <= declared || total <= (std::uint64_t{1} << declared));
}

std::array<std::uint8_t, 2> OwnHeader(const DeflateSettings& settings) {
  // FLEVEL as zlib sets it.
  const int flevel = settings.strategy >= Z_HUFFMAN_ONLY || settings.level < 2 ? 0
                     : settings.level < 6                                      ? 1
                     : settings.level == 6                                     ? 2
                                                                               : 3;
  const auto cmf = static_cast<std::uint8_t>(((settings.window_bits - 8) << 4) | 8);
  int flg = flevel << 6;
  flg += 31 - ((cmf << 8) | flg) % 31;
  return {cmf, static_cast<std::uint8_t>(flg)};
}

}  // namespace

ZlibStreamWriter::ZlibStreamWriter(const DeflateSettings& settings, std::array<std::uint8_t, 2> header,
                                   std::uint64_t total, Out out)
    : out_(std::move(out)), buffer_(256 * 1024) {
  const int status =
      deflateInit2(&z_, settings.level, Z_DEFLATED, -settings.window_bits, settings.mem_level, settings.strategy);
  if (status == Z_MEM_ERROR) throw std::bad_alloc();
  if (status != Z_OK) throw FileFailure("zlib could not start to compress the image data");
  if (!Usable(header, settings.window_bits, total)) header = OwnHeader(settings);
  out_(header);
}

ZlibStreamWriter::~ZlibStreamWriter() { deflateEnd(&z_); }

void ZlibStreamWriter::Write(std::span<const std::uint8_t> bytes) {
  adler_ = adler32_z(adler_, bytes.data(), bytes.size());
  z_.next_in = const_cast<std::uint8_t*>(bytes.data());
  z_.avail_in = static_cast<uInt>(bytes.size());
  Deflate(Z_NO_FLUSH);
}

void ZlibStreamWriter::Finish() {
  z_.avail_in = 0;
  Deflate(Z_FINISH);
  const std::array<std::uint8_t, 4> checksum{static_cast<std::uint8_t>(adler_ >> 24),
                                             static_cast<std::uint8_t>(adler_ >> 16),
                                             static_cast<std::uint8_t>(adler_ >> 8), static_cast<std::uint8_t>(adler_)};
  out_(checksum);
}

void ZlibStreamWriter::Deflate(int flush) {
  int status = Z_OK;
  do {
    z_.next_out = buffer_.data();
    z_.avail_out = static_cast<uInt>(buffer_.size());
    status = deflate(&z_, flush);
    if (status == Z_STREAM_ERROR) throw FileFailure("zlib failed to compress the image data");
    const std::size_t produced = buffer_.size() - z_.avail_out;
    if (produced > 0) out_({buffer_.data(), produced});
  } while (z_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
}

}  // namespace veil::codec::png
