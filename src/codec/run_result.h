#pragma once

#include <cstdint>
#include <string>

#include "codec/covers/bmp_layout.h"
#include "codec/covers/jpeg_traces.h"
#include "files/file_failure.h"

// <windows.h> defines Yield() as nothing, which would take the observer's.
#ifdef Yield
#undef Yield
#endif

namespace veil::codec {

// The pieces of a long run. Each run tells the ones it goes through, in
// its order (codec/progress/run_progress.h weighs them):
//   plain hide and extraction:  kReading, kWriting (an extraction's: the file written out)
//   sealed hide and opening:    kReading, kKeyDerivation, kWriting
//   stealth hide:               kReading, kCosts, kKeyDerivation, kCode, kReadingBack, kWriting
//                               (the costs come before the key, which depends on the salt they
//                               place; the picture is written only once it has given the file back)
//   stealth opening:            kReading, kKeyDerivation, kReadingBack (the file read out)
enum class RunStage {
  kReading,        // the cover or picture is read and decoded
  kKeyDerivation,  // the password becomes a key (sealed and stealth forms)
  kCosts,          // the embedding costs of every sample (stealth form)
  kCode,           // the syndrome-trellis code places the bits (stealth form)
  kWriting,        // the picture is written
  kReadingBack,    // the written picture gives the file back (stealth form)
};

// Told how a run goes; every member may be left as it is.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The checks have passed and the hidden file's groups are about to move.
  virtual void Started() {}
  // After a stretch of groups: Int(groups done / whole groups * 100), as a
  // group-by-group loop would show it after the stretch's last group.
  virtual void Progress(int /*percent*/) {}
  // A chance to let pending window messages run; called before every stretch.
  virtual void Yield() {}
  // How far the run is through its whole work, 0 to 1, with the stage it is
  // in: moved in proportion to the time the stages take, often enough to
  // show on a large picture at least once a second. Called from the run's
  // own thread.
  virtual void Advanced(RunStage /*stage*/, double /*fraction*/) {}
  // Asked between pieces of work, from the run's own thread (which may not
  // be the caller's): true ends the run with kCancelled soon after, with
  // nothing written and the cover as it was.
  virtual bool CancelRequested() { return false; }
};

enum class RunStatus {
  kCompleted,
  kNotCover,             // embedding: the file is no uncompressed 24-bit BMP: cover
  kTooLarge,             // the file does not fit the picture: size, capacity and room
  kAlreadyHoldsFile,     // embedding: the picture's reserved words are not 0: marker
  kPasswordNotStorable,  // embedding: more than 8 bytes, or not printable ASCII
  kNoHiddenFile,         // extraction: the picture is not marked
  kUnknownVersion,       // extraction: a format version this program does not read
  kWrongPassword,        // extraction: the password given is not the stored one
  kDamaged,              // the picture's header or length does not hold up: damage
  kUnacceptableSeal,     // extraction: a sealed file of a layout not read here, or costs not paid
  kSealBroken,           // extraction: a sealed file does not open: seal
  kIoFailure,            // a file could not be read or written: path and cause
  kNoStealthFile,        // stealth extraction: the password finds nothing (clean, damaged or wrong alike)
  kNotStealthCover,      // stealth: the picture is not of a kind the stealth form reads: refusal
  kTooFlat,              // stealth embedding: too few samples may change to carry it: size, samples, usable
  kNotReadBack,          // stealth embedding: the changed samples did not give the file back; nothing written
  kKeyMemory,            // stealth: the key derivation could not have its memory: key_memory_kib
  kCryptoUnavailable,    // libsodium could not start
  kPasswordNotText,      // sealed and stealth forms: the password is not UTF-8
  kCoverDamaged,         // stealth extraction: the picture does not hold up as its kind: refusal
  kWasJpeg,              // stealth embedding: a BMP or PNG whose pixels are a decoded JPEG's: traces
  kCancelled,            // the observer asked the run to stop; nothing was written
};

// What did not hold up in a damaged picture.
struct Damage {
  enum class Kind {
    kPixelOffsetOutside,  // the pixel data (with the hidden header) does not lie inside the file
    kEndsEarly,           // the file ends before the last group the marker promises
  };
  Kind kind = Kind::kEndsEarly;
  std::int64_t pixel_offset = 0;
  std::uint64_t file_length = 0;
  std::uint64_t needed = 0;         // kEndsEarly: the length the hidden file needs
  std::uint64_t hidden_length = 0;  // kEndsEarly: the hidden file's length, as the marker says
};

// Where a sealed file stopped opening.
struct SealProblem {
  enum class Kind {
    kWrongPasswordOrChanged,  // its first chunk
    kChangedAfterSealing,     // a later chunk, at offset
    kTruncated,               // the chunks end before the final one, at offset
  };
  Kind kind = Kind::kWrongPasswordOrChanged;
  std::uint64_t offset = 0;  // in the sealed bytes
};

struct RunResult {
  RunResult() = default;
  RunResult(RunStatus status_) : status(status_) {}  // NOLINT: a bare status is a whole result

  RunStatus status = RunStatus::kCompleted;
  std::uint64_t bytes = 0;           // kCompleted: the hidden file's length
  std::uint64_t size = 0;            // kTooLarge: the file's length
  std::uint64_t capacity = 0;        // kTooLarge: the most the picture takes
  std::uint64_t room = 0;            // kTooLarge: the bytes of the pixel array
  std::uint64_t samples = 0;         // kTooLarge, kTooFlat (stealth): the samples that carry
  std::uint64_t usable = 0;          // kTooLarge, kTooFlat (stealth): the samples that may change
  std::uint32_t key_memory_kib = 0;  // kKeyMemory
  std::uint32_t version = 0;         // kUnknownVersion
  std::uint32_t marker = 0;          // kAlreadyHoldsFile, kUnknownVersion: the reserved words
  carrier::BmpRefusal cover;         // kNotCover
  Damage damage;                     // kDamaged
  SealProblem seal;                  // kSealBroken
  std::string path, cause;           // kIoFailure; path may be empty for files without one
  std::string detail;                // kIoFailure: the file layer's whole line
  std::string refusal;               // kNotStealthCover, kCoverDamaged: why, in one line
  JpegTraces traces;                 // kWasJpeg

  bool ok() const { return status == RunStatus::kCompleted; }
};

// A failure of the file layer as a result.
inline RunResult IoFailure(const FileFailure& failure) {
  RunResult result{RunStatus::kIoFailure};
  result.path = failure.path();
  result.cause = failure.cause();
  result.detail = failure.what();
  return result;
}

}  // namespace veil::codec
