#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec/covers/cover_samples.h"
#include "codec/stealth/embedding_costs.h"
#include "codec/stealth/stealth_keys.h"
#include "codec/stealth/stealth_stream.h"

namespace veil::codec::stealth {

class PlacePermutation;

// What a picture can carry at a rate (hidden bits per usable pixel, usable
// pixels being the samples that are not wet over the channels; for a JPEG,
// hidden bits per non-zero AC coefficient), judged from its costs alone, so
// that it holds before any key is derived.
struct StealthRoom {
  enum class Limit {
    kNone,         // it takes largest_file bytes
    kSampleCount,  // too few samples, or more than the form reads
    kRate,         // the rate allows not even an empty file
    kTooFlat,      // too few samples may change for the salt, the frame or a body
  };
  Limit limit = Limit::kNone;
  std::uint64_t largest_file = 0;
};
StealthRoom RoomFor(const CoverSamples& samples, const CostMap& costs, double max_rate);

// Hides a file in a picture's samples, step by step: the salt first (it is
// drawn before the key can be), then, with the keys, the frame and the body.
// State in the struct, nothing global.
class StealthHider {
 public:
  // With a progress, the costs tell it how far they are, and stop
  // (RunCancelled) when it is to; so does HideFile's code.
  StealthHider(CoverSamples& samples, unsigned threads, JpegCostModel jpeg = JpegCostModel::kUerd,
               RunProgress* progress = nullptr);
  StealthHider(const StealthHider&) = delete;
  StealthHider& operator=(const StealthHider&) = delete;
  // The journal and the costs' changed marks tell where the file lies.
  ~StealthHider();
  const CostMap& costs() const { return costs_; }
  // Embeds the salt's bits at the public places. False, with nothing
  // changed, when the code finds no way to carry this salt there.
  bool HideSalt(const Salt& salt);
  // Encrypts and embeds the frame and the body. False, with nothing changed
  // since the salt, when the code finds no way to carry them.
  bool HideFile(const StealthKeys& keys, const Salt& salt, const FileLabel& label,
                std::span<const std::uint8_t> file, RunProgress* progress = nullptr);
  // The same with the extension as the label (layout 1).
  bool HideFile(const StealthKeys& keys, const Salt& salt, const std::string& extension,
                std::span<const std::uint8_t> file, RunProgress* progress = nullptr) {
    return HideFile(keys, salt, ExtensionLabel(extension), file, progress);
  }
  // Puts back every sample and cost as the cover had them.
  void Rollback() { UndoTo(0); }
  // Samples changed so far.
  std::uint64_t changes() const { return changes_; }

 private:
  // A change made, and what the sample and its cell were before it.
  struct Change {
    std::uint64_t place;
    std::uint16_t value;
    std::uint8_t cell;
    bool counted;  // a change of the sample, not of its cell alone
  };
  // Changes a sample by one, the way its pixel's other channels went or
  // else as the keyed sign says (flip: place * 2 + 1 for up), and records
  // the way in its cell and the change in the journal.
  void Make(std::uint64_t flip);
  // Sets a place's cell, keeping what it was in the journal.
  void SetCell(std::uint64_t place, std::uint8_t cell);
  // Undoes the journal's entries past its first `mark`.
  void UndoTo(std::size_t mark);
  bool Embed(const std::vector<std::uint64_t>& places, std::span<const std::uint8_t> bits, std::uint64_t stream_at);
  bool EmbedBody(const PlacePermutation& keyed, std::uint64_t body_places, std::span<const std::uint8_t> bits,
                 RunProgress* progress);

  CoverSamples& samples_;
  unsigned threads_;
  CostMap costs_;
  Subkey directions_{};  // the sign of each change: random, drawn once
  std::uint64_t changes_ = 0;
  std::vector<Change> journal_;  // every change of a sample or a cell, in order
};

// Reads what a password finds in a picture's samples, step by step.
class StealthReader {
 public:
  // Keeps the samples' low bits, one bit each: a ninth of the bytes, so
  // that reading them at random places mostly hits the cache.
  StealthReader(const CoverSamples& samples, unsigned threads);
  StealthReader(CoverLowBits low_bits, unsigned threads);
  // The salt's bits at the public places (any picture has some).
  Salt ReadSalt() const;
  // The frame, when it opens with these keys.
  std::optional<Frame> ReadFrame(const StealthKeys& keys, const Salt& salt);
  // The body's content (the name, then the file), when every chunk opens.
  std::optional<std::vector<std::uint8_t>> ReadFile(const StealthKeys& keys, const Frame& frame,
                                                    RunProgress* progress = nullptr);

 private:
  std::uint8_t Bit(std::uint64_t place) const {
    return place < samples_ ? static_cast<std::uint8_t>((bits_[place >> 6] >> (place & 63)) & 1) : 0;
  }
  void Read(const std::vector<std::uint64_t>& places, std::vector<std::uint8_t>& y) const;

  std::uint64_t samples_;
  unsigned channels_;
  unsigned threads_;
  std::vector<std::uint64_t> bits_;
  std::optional<StealthOpener> opener_;
};

// Bits to bytes and back, least significant bit first.
std::vector<std::uint8_t> ToBits(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> ToBytes(std::span<const std::uint8_t> bits);

}  // namespace veil::codec::stealth
