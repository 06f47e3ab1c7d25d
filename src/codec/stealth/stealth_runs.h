#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/covers/jpeg_traces.h"
#include "codec/run_result.h"
#include "codec/stealth/embedding_costs.h"
#include "codec/stealth/stealth_keys.h"
#include "files/raw_file.h"

namespace veil::codec {

// Hiding a file in the stealth form: nothing in the picture says so; only
// the password finds it.
struct StealthHideRequest {
  RawFile& cover;    // only read
  RawFile& payload;  // read whole
  // The stealth picture, written front to back: a caller hiding "in place"
  // stages it beside the cover and renames it once complete.
  RawFile& copy;
  std::string extension;  // 3 bytes; stored only when no file_name is given (layout 1)
  std::string password;   // as typed
  // Hidden bits per usable pixel (a JPEG's: per non-zero AC coefficient)
  // at most; unset, the cover kind's default cap.
  std::optional<double> max_rate{};
  // A BMP or PNG that was a JPEG is refused unless this is set: its
  // colours alone give a stealth picture away.
  bool allow_decoded_jpeg = false;
  stealth::KdfCosts costs{};  // the fixed costs; only tests ask for less
  stealth::JpegCostModel jpeg_costs{};  // UERD's; only the benchmark asks for J-UNIWARD's
  unsigned threads = 0;       // 0: as many as the processor has
  // The file's name, made safe (SafeFileName) before it is stored; its bytes
  // count against the capacity. Not given, the extension is stored instead,
  // as pictures made before names were kept hold it (layout 1).
  std::optional<std::string> file_name{};
};

// Completed once the changed samples have given the file back; kWasJpeg
// (a BMP or PNG cover whose colours are all a decoded JPEG's), kTooLarge
// (with size and capacity at the rate), kTooFlat (too few samples may change
// to carry it at all), kNotStealthCover (with the reason), kAlreadyHoldsFile
// (a BMP whose reserved words hold a marker), kPasswordNotText,
// kNotReadBack, kKeyMemory, kCryptoUnavailable or kIoFailure. Nothing is
// written but on completion. The key comes from the password's composed
// (NFC) form.
RunResult HideStealth(const StealthHideRequest& request, RunObserver& observer);

struct StealthOpenRequest {
  RawFile& cover;  // only read
  std::string password;
  stealth::KdfCosts costs{};
  unsigned threads = 0;
};

// What the password finds: always after exactly one key derivation. Any
// picture in which it finds nothing, clean, changed or opened with a wrong
// password, gives kNoStealthFile, with nothing else to tell them apart; a
// picture that does not hold up as its kind (a cut or corrupt PNG), which
// any decoder shows, gives kCoverDamaged with the reason instead.
struct OpenedStealth {
  RunResult result;
  std::string extension;                 // layout 1: the 3 bytes as stored
  std::optional<std::string> file_name;  // layout 2: the name, made safe (SafeFileName)
  std::vector<std::uint8_t> file;  // authenticated, whole
};
OpenedStealth OpenStealth(const StealthOpenRequest& request, RunObserver& observer);

// The stealth capacity of any picture at a rate: the largest file it takes
// (0 when none), its name's bytes included, and the samples a change may
// touch; a hide of a file and name no larger succeeds. A picture that is no cover of a kind the stealth form
// reads says why. Throws FileFailure.
struct StealthCapacity {
  std::string refusal;  // not empty: no cover, and why
  std::uint64_t largest_file = 0;
  bool too_flat = false;   // too few samples may change to carry even an empty file
  bool too_small = false;  // fewer samples than the form needs, or more than it reads
  std::uint64_t usable_samples = 0;
  std::uint64_t pixels = 0;
  std::uint64_t samples = 0;  // every carrying sample, usable or not
  bool coefficients = false;  // a JPEG's: the samples are DCT coefficients, the rate per non-zero AC one
  JpegTraces traces;          // a BMP's or PNG's: whether it was a JPEG (then a hide refuses it)
  double rate = 0;            // the rate measured at
};
// max_rate unset: the cover kind's default cap, which rate says.
StealthCapacity MeasureStealthCapacity(RawFile& picture, std::optional<double> max_rate = {}, unsigned threads = 0);

}  // namespace veil::codec
