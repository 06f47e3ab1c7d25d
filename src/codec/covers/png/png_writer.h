#pragma once

#include "codec/covers/png/deflate_settings.h"
#include "codec/covers/png/png_cover.h"
#include "codec/progress/run_progress.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// Writes the cover with its samples as they are now: the bytes before the
// IDAT run and after it are copied from source (the file the cover was read
// from, unchanged since), and the IDAT run in between is a new encoding of
// the pixels coded as the cover's were: each row with its own filter type,
// interlaced as it was, compressed with the cover's deflate settings
// (CoverDeflateSettings) under its own zlib header, and split into chunks of
// the lengths of its own IDAT chunks. With no sample changed, that is most
// often the cover's own image data. out must be empty; it is written front
// to back. Throws FileFailure when a file fails or source has changed; with
// a progress, tells it the rows written and stops (RunCancelled) when it is to.
void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, RunProgress* progress = nullptr);
// The same with the settings given.
void WritePngCover(RawFile& source, const PngCover& cover, RawFile& out, const DeflateSettings& settings,
                   RunProgress* progress = nullptr);

}  // namespace veil::codec::png
