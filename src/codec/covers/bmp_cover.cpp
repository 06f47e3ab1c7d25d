#include "codec/covers/bmp_cover.h"

#include <algorithm>

#include "codec/covers/large_buffer.h"
#include "files/little_endian.h"

namespace veil::codec {
namespace {

constexpr std::uint64_t kBlockBytes = 4 << 20;

}  // namespace

BmpCover::BmpCover(RawFile& file, const carrier::BmpLayout& layout, RunProgress* progress)
    : file_(file), layout_(layout) {
  std::uint8_t reserved[4] = {};
  if (file.ReadAt(6, reserved) == sizeof reserved) reserved_ = LoadU32(reserved);
  samples_.width = static_cast<std::uint32_t>(layout.width);
  samples_.height = static_cast<std::uint32_t>(layout.height);
  samples_.channels = 3;
  samples_.depth = 8;
  ResizeLarge(samples_.values8, samples_.SampleCount());
  const std::uint64_t rows = samples_.height, block = std::max<std::uint64_t>(1, kBlockBytes / layout.rowStride);
  std::vector<std::uint8_t> buffer;
  const std::size_t row_samples = std::size_t{samples_.width} * 3;
  for (std::uint64_t first = 0; first < rows; first += block) {
    if (progress) progress->At(static_cast<double>(first) / static_cast<double>(rows));
    const std::uint64_t count = std::min(block, rows - first);
    ReadRows(first, count, buffer);
    for (std::uint64_t k = 0; k < count; ++k) {
      const std::uint64_t r = first + k, y = layout.topDown ? r : rows - 1 - r;
      const std::uint8_t* in = buffer.data() + k * layout.rowStride;
      std::uint8_t* out = samples_.values8.data() + y * row_samples;
      for (std::size_t x = 0; x < samples_.width; ++x) {
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
      }
    }
  }
}

void BmpCover::ReadRows(std::uint64_t first, std::uint64_t count, std::vector<std::uint8_t>& buffer) {
  buffer.resize(static_cast<std::size_t>(count * layout_.rowStride));
  ReadExactly(file_, static_cast<std::uint64_t>(layout_.pixelOffset) + first * layout_.rowStride, buffer);
}

void BmpCover::Overlay(std::uint64_t r, std::uint8_t* row) const {
  const std::uint64_t y = layout_.topDown ? r : samples_.height - 1 - r;
  const std::uint8_t* in = samples_.values8.data() + y * std::size_t{samples_.width} * 3;
  for (std::size_t x = 0; x < samples_.width; ++x)
    for (int c = 0; c < 3; ++c) row[3 * x + static_cast<std::size_t>(2 - c)] = in[3 * x + static_cast<std::size_t>(c)];
}

void BmpCover::Write(RawFile& copy, RunProgress* progress) {
  const auto pixels = static_cast<std::uint64_t>(layout_.pixelOffset);
  std::vector<std::uint8_t> buffer;
  // The bytes before and after the pixel array go over as they are.
  auto copy_span = [&](std::uint64_t from, std::uint64_t to) {
    for (std::uint64_t at = from; at < to;) {
      buffer.resize(static_cast<std::size_t>(std::min(kBlockBytes, to - at)));
      ReadExactly(file_, at, buffer);
      copy.WriteAt(at, buffer);
      at += buffer.size();
    }
  };
  copy_span(0, pixels);
  const std::uint64_t rows = samples_.height, block = std::max<std::uint64_t>(1, kBlockBytes / layout_.rowStride);
  for (std::uint64_t first = 0; first < rows; first += block) {
    if (progress) progress->At(static_cast<double>(first) / static_cast<double>(rows));
    const std::uint64_t count = std::min(block, rows - first);
    ReadRows(first, count, buffer);
    for (std::uint64_t k = 0; k < count; ++k) Overlay(first + k, buffer.data() + k * layout_.rowStride);
    copy.WriteAt(pixels + first * layout_.rowStride, buffer);
  }
  copy_span(layout_.pixelArrayEnd, layout_.fileLength);
  copy.Sync();
}

}  // namespace veil::codec
