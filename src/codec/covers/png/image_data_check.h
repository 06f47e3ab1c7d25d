#pragma once

#include "codec/progress/run_progress.h"

#include <optional>

#include "codec/covers/png/image_coding.h"
#include "codec/covers/png/png_chunk_map.h"
#include "codec/covers/png/png_refusal.h"
#include "files/raw_file.h"

namespace veil::codec::png {

// Inflates the image data before libpng does, and stops as soon as it holds
// more than the header gives: a small picture over gigabytes of compressed
// zeros is refused at once, not after inflating them all. Refused too: data
// that does not inflate, fails its checksum, or ends short. Bytes after the
// end of the compressed stream are let be, and so is a stream whose header
// claims a smaller window than it uses, as other readers do. On the way it
// notes how the data was coded. Throws FileFailure.
// With a progress, tells it the part of the data checked, as the first half
// of a reading, and stops (RunCancelled) when it is to.
std::optional<PngRefusal> CheckImageData(RawFile& file, const PngChunkMap& map, PngImageCoding& coding,
                                         RunProgress* progress = nullptr);

}  // namespace veil::codec::png
