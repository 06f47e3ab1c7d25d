#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "codec/covers/cover_samples.h"
#include "codec/progress/run_progress.h"
#include "files/raw_file.h"

namespace veil::codec {

// A picture file seen as its samples: one kind of file (BMP, PNG, ...) each.
// Only the samples change; writing it back leaves every other byte of the
// file as the cover had it.
class SampleCover {
 public:
  virtual ~SampleCover() = default;
  virtual CoverSamples& samples() = 0;
  const CoverSamples& samples() const { return const_cast<SampleCover*>(this)->samples(); }
  // A BMP's reserved header words (bytes 6-9), where the carrier format
  // keeps its marker; 0 for kinds that have none.
  virtual std::uint32_t ReservedWords() const { return 0; }
  // Writes the picture with its samples as they now are to copy, front to
  // back, and syncs it; never over the cover itself, whose changes would
  // spread over the whole picture before they were complete. Throws
  // FileFailure; with a progress, tells it how far the writing is and stops
  // (RunCancelled) when it is to.
  virtual void Write(RawFile& copy, RunProgress* progress = nullptr) = 0;
};

// A picture's samples, or why it is no cover: a lossy kind, a PNG's
// refusal, a BMP of another layout, in one line for the user. Throws
// FileFailure when the file cannot be read.
struct CoverReading {
  std::unique_ptr<SampleCover> cover;
  std::string refusal;   // when there is no cover
  bool damaged = false;  // a picture of a kind read here that does not hold up (cut short, a bad checksum)
};
CoverReading ReadCover(RawFile& picture, RunProgress* progress = nullptr);

// The lowest bit of each of the picture's samples, for reading a stealth
// file: a non-interlaced PNG is decoded a row at a time into them, never
// whole. No bits, and the reason, for a picture ReadCover refuses. Throws
// FileFailure.
struct LowBitsReading {
  CoverLowBits bits;
  std::string refusal;
  bool damaged = false;
};
LowBitsReading ReadCoverLowBits(RawFile& picture, RunProgress* progress = nullptr);

}  // namespace veil::codec
