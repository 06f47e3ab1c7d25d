#include "codec/covers/png/png_writer.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "codec/covers/png/idat_chunker.h"
#include "codec/covers/png/png_rows.h"
#include "codec/covers/png/row_filters.h"
#include "codec/covers/png/sequential_writer.h"
#include "codec/covers/png/zlib_stream_writer.h"
#include "files/file_failure.h"

namespace veil::codec::png {
namespace {

// The filtered rows, pass by pass, into stream.
void EncodeRows(const PngCover& cover, ZlibStreamWriter& stream, RunProgress* progress) {
  const PngHeader& header = cover.chunks.header;
  const std::size_t pixel_bytes = RowBytes(cover) / cover.samples.width;
  const bool interlaced = header.interlace != 0;
  const std::vector<std::uint8_t>& types = cover.coding.row_filters;
  std::vector<std::uint8_t> whole(RowBytes(cover)), row, above, filtered;
  std::size_t index = 0;
  std::uint64_t all_rows = 0;
  for (const PassShape& shape : PassShapes(header)) all_rows += shape.rows;
  for (const PassShape& shape : PassShapes(header)) {
    const auto bytes = static_cast<std::size_t>(shape.row_bytes);
    row.resize(bytes);
    above.assign(bytes, 0);
    filtered.resize(bytes + 1);
    for (std::uint32_t r = 0; r < shape.rows; ++r, ++index) {
      if (progress) progress->At(static_cast<double>(index) / static_cast<double>(all_rows));
      if (interlaced) {
        const auto y =
            static_cast<std::uint32_t>(PNG_PASS_START_ROW(shape.pass) + (r << PNG_PASS_ROW_SHIFT(shape.pass)));
        MergeRow(cover, y, whole.data());
        for (std::uint32_t k = 0; k < shape.columns; ++k) {
          const std::size_t x = PNG_PASS_START_COL(shape.pass) + (std::size_t{k} << PNG_PASS_COL_SHIFT(shape.pass));
          std::memcpy(row.data() + k * pixel_bytes, whole.data() + x * pixel_bytes, pixel_bytes);
        }
      } else {
        MergeRow(cover, r, row.data());
      }
      const std::uint8_t type = index < types.size() && types[index] <= 4 ? types[index] : 0;
      filtered[0] = type;
      FilterRow(type, row, above, pixel_bytes, filtered.data() + 1);
      stream.Write(filtered);
      row.swap(above);
    }
  }
}

}  // namespace

void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, RunProgress* progress) {
  WritePngCover(source, cover, out, CoverDeflateSettings(source, cover), progress);
}

void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, const DeflateSettings& settings,
                   RunProgress* progress) {
  const PngChunkMap& chunks = cover.chunks;
  if (source.Size() != chunks.file_size) {
    throw FileFailure("the PNG cover " + source.Name() + " has changed since it was read");
  }
  SequentialWriter writer(out);
  writer.CopyFrom(source, 0, chunks.idat_begin);
  {
    IdatChunker chunker(writer, chunks.idat_runs);
    ZlibStreamWriter stream(settings, cover.coding.zlib_header, FilteredImageBytes(chunks.header),
                            [&chunker](std::span<const std::uint8_t> bytes) { chunker.Take(bytes); });
    EncodeRows(cover, stream, progress);
    stream.Finish();
    chunker.Finish();
  }
  writer.CopyFrom(source, chunks.idat_end, chunks.file_size);
  writer.Flush();
}

}  // namespace veil::codec::png
