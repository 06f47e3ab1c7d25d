#include "codec/covers/png/row_filters.h"

#include <png.h>

#include <cstdlib>

namespace veil::codec::png {
namespace {

unsigned BitsPerPixel(const PngHeader& header) {
  const unsigned channels = header.colour_type == 2 ? 3 : header.colour_type == 4 ? 2 : header.colour_type == 6 ? 4 : 1;
  return channels * header.bit_depth;
}

std::uint8_t Paeth(int left, int up, int up_left) {
  const int p = left + up - up_left;
  const int to_left = std::abs(p - left), to_up = std::abs(p - up), to_up_left = std::abs(p - up_left);
  if (to_left <= to_up && to_left <= to_up_left) return static_cast<std::uint8_t>(left);
  return static_cast<std::uint8_t>(to_up <= to_up_left ? up : up_left);
}

}  // namespace

std::vector<PassShape> PassShapes(const PngHeader& header) {
  const unsigned bits = BitsPerPixel(header);
  std::vector<PassShape> shapes;
  const auto add = [&](int pass, std::uint32_t columns, std::uint32_t rows) {
    if (columns == 0 || rows == 0) return;
    shapes.push_back({pass, rows, columns, (std::uint64_t{columns} * bits + 7) / 8});
  };
  if (header.interlace == 0) {
    add(0, header.width, header.height);
  } else {
    for (int pass = 0; pass < 7; ++pass) {
      add(pass, static_cast<std::uint32_t>(PNG_PASS_COLS(std::uint64_t{header.width}, pass)),
          static_cast<std::uint32_t>(PNG_PASS_ROWS(std::uint64_t{header.height}, pass)));
    }
  }
  return shapes;
}

std::uint64_t FilteredImageBytes(const PngHeader& header) {
  std::uint64_t total = 0;
  for (const PassShape& shape : PassShapes(header)) total += shape.rows * (1 + shape.row_bytes);
  return total;
}

void FilterRow(std::uint8_t type, std::span<const std::uint8_t> row, std::span<const std::uint8_t> above,
               std::size_t pixel_bytes, std::uint8_t* out) {
  const std::size_t n = row.size();
  const std::uint8_t* r = row.data();
  const std::uint8_t* a = above.data();
  const auto left = [&](std::size_t i) { return i >= pixel_bytes ? r[i - pixel_bytes] : 0; };
  const auto up_left = [&](std::size_t i) { return i >= pixel_bytes ? a[i - pixel_bytes] : 0; };
  switch (type) {
    case 1:
      for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(r[i] - left(i));
      return;
    case 2:
      for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(r[i] - a[i]);
      return;
    case 3:
      for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(r[i] - ((left(i) + a[i]) >> 1));
      return;
    case 4:
      for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(r[i] - Paeth(left(i), a[i], up_left(i)));
      return;
    default:
      for (std::size_t i = 0; i < n; ++i) out[i] = r[i];
      return;
  }
}

}  // namespace veil::codec::png
