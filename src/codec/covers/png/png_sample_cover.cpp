#include "codec/covers/png/png_sample_cover.h"

#include <utility>

#include "codec/covers/png/png_writer.h"

namespace veil::codec {

PngSampleCover::PngSampleCover(RawFile& file, png::PngCover cover) : file_(file), cover_(std::move(cover)) {}

void PngSampleCover::Write(RawFile& copy, RunProgress* progress) {
  png::WritePngCover(file_, cover_, copy, progress);
  copy.Sync();
}

}  // namespace veil::codec
