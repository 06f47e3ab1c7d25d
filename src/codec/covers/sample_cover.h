#pragma once

#include <memory>
#include <string>

#include "codec/covers/cover_samples.h"
#include "files/raw_file.h"

namespace veil::codec::stealth {

// A picture file seen as its samples: one kind of file (BMP, ...) each.
// Only the samples change; writing it back leaves every other byte of the
// file as the cover had it.
class StealthCover {
 public:
  virtual ~StealthCover() = default;
  CoverSamples& samples() { return samples_; }
  const CoverSamples& samples() const { return samples_; }
  // Writes the picture with its samples as they now are to copy, front to
  // back, and syncs it; never over the cover itself, whose changes would
  // spread over the whole picture before they were complete. Throws
  // FileFailure.
  virtual void Write(RawFile& copy) = 0;

 protected:
  CoverSamples samples_;
};

// The picture's samples, when it is a cover of a kind the stealth form
// reads; null otherwise. Throws FileFailure.
std::unique_ptr<StealthCover> ReadStealthCover(RawFile& picture);

// Why ReadStealthCover gives nothing for this picture, in one line for the
// user: a lossy kind, a PNG's refusal, a BMP of another layout. Empty when
// it is a cover after all. Throws FileFailure.
std::string WhyNoStealthCover(RawFile& picture);

}  // namespace veil::codec::stealth
