#include "codec/covers/png/png_sample_cover.h"

#include <utility>

#include "codec/covers/png/png_writer.h"
#include "files/file_failure.h"

namespace veil::codec::stealth {

PngStealthCover::PngStealthCover(RawFile& file, png::PngCover cover) : file_(file), cover_(std::move(cover)) {
  samples_ = std::move(cover_.samples);
}

void PngStealthCover::Write(RawFile& copy) {
  // The writer reads the samples from the cover: lend them for the write.
  struct Lend {
    CoverSamples& from;
    CoverSamples& to;
    Lend(CoverSamples& f, CoverSamples& t) : from(f), to(t) { to = std::move(from); }
    ~Lend() { from = std::move(to); }
  } lend(samples_, cover_.samples);
  png::WritePngCover(file_, cover_, copy);
  copy.Sync();
}

}  // namespace veil::codec::stealth
