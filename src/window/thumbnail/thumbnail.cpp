#include "window/thumbnail/thumbnail.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "codec/covers/bmp_layout.h"
#include "files/file_failure.h"

namespace veil::preview {
namespace {

// Rows longer than this are sampled pixel by pixel rather than read whole.
constexpr std::uint64_t kLargestRowRead = 1 << 20;

// What the headers say about the pixels: the covers' own reading, so the
// window previews exactly the pictures it takes.
struct Layout {
  std::uint64_t width = 0, height = 0;
  bool top_down = false;
  std::uint64_t pixel_offset = 0;
  std::uint64_t stride = 0;  // bytes per row, padded to 4
};

std::optional<Layout> ReadLayout(RawFile& file) {
  const carrier::BmpReading reading = carrier::ReadBmpLayout(file);
  if (!reading.IsCover()) return std::nullopt;
  const carrier::BmpLayout& bmp = *reading.layout;
  return Layout{static_cast<std::uint64_t>(bmp.width), static_cast<std::uint64_t>(bmp.height), bmp.topDown,
                static_cast<std::uint64_t>(bmp.pixelOffset), bmp.rowStride};
}

}  // namespace

std::optional<Thumbnail> ReadThumbnail(RawFile& file, int max_width, int max_height) {
  const auto layout = ReadLayout(file);
  if (!layout || max_width <= 0 || max_height <= 0) return std::nullopt;
  const double scale =
      std::min({1.0, max_width / static_cast<double>(layout->width), max_height / static_cast<double>(layout->height)});
  Thumbnail thumb;
  thumb.width = std::max(1, static_cast<int>(std::lround(static_cast<double>(layout->width) * scale)));
  thumb.height = std::max(1, static_cast<int>(std::lround(static_cast<double>(layout->height) * scale)));
  thumb.rgb.resize(static_cast<std::size_t>(thumb.width) * static_cast<std::size_t>(thumb.height) * 3);

  // Each thumbnail pixel shows the picture's pixel at its centre.
  std::vector<std::uint64_t> columns(static_cast<std::size_t>(thumb.width));
  for (int x = 0; x < thumb.width; ++x)
    columns[static_cast<std::size_t>(x)] = (2 * static_cast<std::uint64_t>(x) + 1) * layout->width / (2 * thumb.width);
  const bool whole_rows = layout->stride <= kLargestRowRead;
  std::vector<std::uint8_t> row(whole_rows ? layout->stride : 3);
  for (int y = 0; y < thumb.height; ++y) {
    const std::uint64_t source = (2 * static_cast<std::uint64_t>(y) + 1) * layout->height / (2 * thumb.height);
    const std::uint64_t stored = layout->top_down ? source : layout->height - 1 - source;
    const std::uint64_t row_at = layout->pixel_offset + stored * layout->stride;
    if (whole_rows) ReadExactly(file, row_at, row);
    std::uint8_t* out = thumb.rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(thumb.width) * 3;
    for (std::uint64_t column : columns) {
      const std::uint8_t* bgr = row.data();
      if (whole_rows)
        bgr += column * 3;
      else
        ReadExactly(file, row_at + column * 3, row);
      *out++ = bgr[2];
      *out++ = bgr[1];
      *out++ = bgr[0];
    }
  }
  return thumb;
}

std::optional<Thumbnail> ReadThumbnail(const std::string& path, int max_width, int max_height) {
  try {
    return ReadThumbnail(*OpenSystemFile(path, OpenMode::kReadOnly), max_width, max_height);
  } catch (const FileFailure&) {
    return std::nullopt;
  }
}

}  // namespace veil::preview
