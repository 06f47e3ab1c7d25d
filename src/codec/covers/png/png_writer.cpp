#include "codec/covers/png/png_writer.h"

#include <png.h>

#include <vector>

#include "codec/covers/png/idat_sink.h"
#include "codec/covers/png/png_guard.h"
#include "codec/covers/png/png_rows.h"
#include "codec/covers/png/sequential_writer.h"
#include "files/file_failure.h"

namespace veil::codec::png {
namespace {

struct WriteSession {
  PngErrorState errors;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteSession() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

struct EncodeJob {
  png_structp png;
  png_infop info;
  const PngCover* cover;
  const PngWriteOptions* options;
  std::uint8_t* row;
};

int ColourType(const PngCover& cover) { return cover.chunks.header.colour_type; }

void EncodeRows(void* context) {
  auto& job = *static_cast<EncodeJob*>(context);
  const PngCover& cover = *job.cover;
  const PngHeader& header = cover.chunks.header;
  png_set_IHDR(job.png, job.info, header.width, header.height, header.bit_depth, ColourType(cover),
               header.interlace != 0 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(job.png, job.options->compression_level);
  png_set_compression_strategy(job.png, job.options->strategy);
  if (job.options->filters != 0) png_set_filter(job.png, PNG_FILTER_TYPE_BASE, job.options->filters);
  png_set_compression_buffer_size(job.png, 64 * 1024);  // the sink splits the chunks as the cover's
  png_write_info(job.png, job.info);
  const bool interlaced = header.interlace != 0;
  const int passes = png_set_interlace_handling(job.png);
  for (int pass = 0; pass < passes; ++pass) {
    for (std::uint32_t y = 0; y < header.height; ++y) {
      // libpng takes from each row only the pixels of the pass.
      if (!interlaced || PNG_ROW_IN_INTERLACE_PASS(y, pass)) MergeRow(cover, y, job.row);
      png_write_row(job.png, job.row);
    }
  }
  png_write_end(job.png, nullptr);
}

}  // namespace

void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, const PngWriteOptions& options) {
  const PngChunkMap& chunks = cover.chunks;
  if (source.Size() != chunks.file_size) {
    throw FileFailure("the PNG cover " + source.Name() + " has changed since it was read");
  }
  SequentialWriter writer(out);
  writer.CopyFrom(source, 0, chunks.idat_begin);

  std::vector<std::uint8_t> row(RowBytes(cover));
  WriteSession session;
  session.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session.errors, PngErrorHandler, PngWarningHandler);
  if (session.png != nullptr) session.info = png_create_info_struct(session.png);
  if (session.info == nullptr) throw FileFailure("libpng could not start to encode " + out.Name());
  // IDAT chunks as long as the cover's own, so the split does not tell
  // which program wrote the file last.
  IdatSink sink(writer, chunks.idat_runs);
  sink.Attach(session.png);
  EncodeJob job{session.png, session.info, &cover, &options, row.data()};
  if (!RunGuarded(session.png, EncodeRows, &job)) {
    if (session.errors.failure) std::rethrow_exception(session.errors.failure);
    throw FileFailure("libpng could not encode " + out.Name() + ": " + session.errors.message);
  }
  sink.Finish();
  writer.CopyFrom(source, chunks.idat_end, chunks.file_size);
  writer.Flush();
}

}  // namespace veil::codec::png
