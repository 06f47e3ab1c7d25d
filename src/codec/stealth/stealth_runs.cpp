#include "codec/stealth/stealth_runs.h"

#include <sodium.h>

#include <algorithm>
#include <thread>

#include "codec/covers/cover_kind.h"
#include "codec/covers/jpeg_traces.h"
#include "codec/covers/sample_cover.h"
#include "codec/seal/seal_password.h"
#include "codec/seal/wipe.h"
#include "codec/stealth/stealth_engine.h"
#include "codec/stealth/stealth_weights.h"
#include "files/file_failure.h"
#include "files/safe_file_name.h"

namespace veil::codec {
namespace {

unsigned Threads(unsigned asked) {
  if (asked != 0) return asked;
  return std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
}

std::vector<std::uint8_t> ReadWhole(RawFile& file) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  ReadExactly(file, 0, bytes);
  return bytes;
}

// A refusal for a file the picture cannot take: too large at the rate, or
// a picture too flat (or of too few samples) for the code.
RunResult Refusal(RunStatus status, std::uint64_t size, std::uint64_t capacity, const CoverSamples& samples,
                  const stealth::CostMap& costs) {
  RunResult result{status};
  result.size = size;
  result.capacity = capacity;
  result.samples = samples.SampleCount();
  result.usable = costs.usable;
  return result;
}

RunResult KeyMemory(const stealth::KdfCosts& costs) {
  RunResult result{RunStatus::kKeyMemory};
  result.key_memory_kib = costs.memory_kib;
  return result;
}

// Salts are random; one that the public places carry is drawn before the
// key, which depends on it, is derived.
std::optional<stealth::Salt> DrawSalt(stealth::StealthHider& hider) {
  stealth::Salt salt;
  for (int draw = 0; draw < stealth::kSaltDraws; ++draw) {
    randombytes_buf(salt.data(), salt.size());
    if (hider.HideSalt(salt)) return salt;
  }
  return std::nullopt;
}

// Whether the samples give back, with the keys already derived, exactly
// the file they were to carry.
bool ReadsBack(const CoverSamples& samples, unsigned threads, const stealth::StealthKeys& keys,
               const stealth::Salt& salt, const stealth::FileLabel& label, std::span<const std::uint8_t> file,
               RunProgress& progress) {
  stealth::StealthReader reader(samples, threads);
  progress.Check();
  if (reader.ReadSalt() != salt) return false;
  const auto frame = reader.ReadFrame(keys, salt);
  const auto lead = stealth::BodyLead(label);
  if (!frame || frame->layout != label.layout || frame->file_length != file.size() ||
      frame->name_length != lead.size() ||
      (label.layout == stealth::kExtensionLayout && frame->extension != label.text))
    return false;
  auto back = reader.ReadFile(keys, *frame, &progress);
  if (!back) return false;
  const WipeOnExit wipe_back(*back);
  return back->size() == lead.size() + file.size() && std::equal(lead.begin(), lead.end(), back->begin()) &&
         std::equal(file.begin(), file.end(), back->begin() + static_cast<std::ptrdiff_t>(lead.size()));
}

stealth::FileLabel LabelOf(const StealthHideRequest& request) {
  return request.file_name ? stealth::NameLabel(SafeFileName(*request.file_name))
                           : stealth::ExtensionLabel(request.extension);
}

RunResult NotACover(std::string refusal) {
  RunResult result{RunStatus::kNotStealthCover};
  result.refusal = std::move(refusal);
  return result;
}

RunResult Cancelled() { return RunResult{RunStatus::kCancelled}; }

}  // namespace

RunResult HideStealth(const StealthHideRequest& request, RunObserver& observer) {
  using namespace stealth;
  RunProgress progress(observer, {RunStage::kReading, RunStage::kCosts, RunStage::kKeyDerivation, RunStage::kCode,
                                  RunStage::kReadingBack, RunStage::kWriting});
  try {
    if (sodium_init() < 0) return RunResult{RunStatus::kCryptoUnavailable};
    // The key comes from the password's composed (NFC) form, as the sealed form's does.
    const SealPasswordForms password = PasswordForms(request.password);
    if (!password.utf8) return RunResult{RunStatus::kPasswordNotText};
    const CoverKind kind = ReadCoverKind(request.cover);
    WeighHide(progress, kind, LikelySamples(kind, request.cover.Size()), request.payload.Size(), request.costs);
    progress.Enter(RunStage::kReading);
    auto [cover, refusal, damaged] = ReadCover(request.cover, &progress);
    if (!cover) return NotACover(std::move(refusal));
    // A marked picture says so in its header; hiding without a trace there
    // would leave that saying.
    if (const std::uint32_t marker = cover->ReservedWords(); marker != 0) {
      RunResult marked{RunStatus::kAlreadyHoldsFile};
      marked.marker = marker;
      return marked;
    }
    CoverSamples& samples = cover->samples();
    if (const JpegTraces traces = ReadJpegTraces(samples); traces.WasJpeg() && !request.allow_decoded_jpeg) {
      RunResult was_jpeg{RunStatus::kWasJpeg};
      was_jpeg.traces = traces;
      return was_jpeg;
    }
    const std::uint64_t size = request.payload.Size();
    const stealth::FileLabel label = LabelOf(request);
    const std::uint64_t lead = BodyLead(label).size();
    const unsigned threads = Threads(request.threads);
    // The costs come before the key: the salt must embed first, and a file
    // the picture cannot take is refused without a derivation.
    WeighHide(progress, kind, samples.SampleCount(), size, request.costs);
    progress.Enter(RunStage::kCosts);
    StealthHider hider(samples, threads, request.jpeg_costs, &progress);
    const StealthRoom room =
        RoomFor(samples, hider.costs(), request.max_rate.value_or(DefaultMaxRate(samples.dct != nullptr)));
    if (room.limit == StealthRoom::Limit::kTooFlat)
      return Refusal(RunStatus::kTooFlat, size, 0, samples, hider.costs());
    // The name rides in the body with the file.
    const std::uint64_t largest = room.largest_file - std::min(room.largest_file, lead);
    if (room.limit != StealthRoom::Limit::kNone || size + lead > room.largest_file)
      return Refusal(RunStatus::kTooLarge, size, largest, samples, hider.costs());
    auto file = ReadWhole(request.payload);
    const WipeOnExit wipe_file(file);
    observer.Started();

    // Where the frame's keyed places happen to be too few to carry it, a new
    // salt gives a new key and new places.
    for (int attempt = 0; attempt < kHideAttempts; ++attempt) {
      hider.Rollback();
      const auto salt = DrawSalt(hider);
      if (!salt) break;
      // A second salt's derivation and code go on in the stages the first
      // one's began: the stages keep their order.
      if (attempt == 0) progress.Enter(RunStage::kKeyDerivation);
      const auto keys = DeriveStealthKeys(password.sealing, *salt, request.costs, &progress);
      if (!keys) return KeyMemory(request.costs);
      observer.Yield();
      if (attempt == 0) progress.Enter(RunStage::kCode);
      if (!hider.HideFile(*keys, *salt, label, file, &progress)) continue;
      observer.Progress(50);
      observer.Yield();
      progress.Enter(RunStage::kReadingBack);
      if (!ReadsBack(samples, threads, *keys, *salt, label, file, progress))
        return RunResult{RunStatus::kNotReadBack};
      progress.Enter(RunStage::kWriting);
      cover->Write(request.copy, &progress);
      progress.Finish();
      observer.Progress(100);
      RunResult done;
      done.bytes = size;
      return done;
    }
    return Refusal(RunStatus::kTooFlat, size, 0, samples, hider.costs());
  } catch (const FileFailure& failure) {
    return IoFailure(failure);
  } catch (const RunCancelled&) {
    return Cancelled();
  }
}

OpenedStealth OpenStealth(const StealthOpenRequest& request, RunObserver& observer) {
  using namespace stealth;
  RunProgress progress(observer, {RunStage::kReading, RunStage::kKeyDerivation, RunStage::kReadingBack});
  OpenedStealth opened;
  opened.result = RunResult{RunStatus::kNoStealthFile};
  try {
    if (sodium_init() < 0) {
      opened.result = RunResult{RunStatus::kCryptoUnavailable};
      return opened;
    }
    const SealPasswordForms password = PasswordForms(request.password);
    if (!password.utf8) {
      opened.result = RunResult{RunStatus::kPasswordNotText};
      return opened;
    }
    const CoverKind kind = ReadCoverKind(request.cover);
    WeighOpen(progress, kind, LikelySamples(kind, request.cover.Size()), request.costs);
    progress.Enter(RunStage::kReading);
    LowBitsReading reading = ReadCoverLowBits(request.cover, &progress);
    // Damage is public (any decoder shows it): say so, without a derivation.
    if (reading.damaged) {
      opened.result = RunResult{RunStatus::kCoverDamaged};
      opened.result.refusal = reading.refusal;
      return opened;
    }
    // Only the low bits are kept, so the key derivation's 256 MiB comes
    // on top of an eighth of the samples at most. A picture of no kind read
    // here has none, and still costs the one key derivation, so that every
    // refusal takes the same time.
    StealthReader reader(std::move(reading.bits), Threads(request.threads));
    const Salt salt = reader.ReadSalt();
    progress.Enter(RunStage::kKeyDerivation);
    const auto keys = DeriveStealthKeys(password.sealing, salt, request.costs, &progress);
    if (!keys) {
      opened.result = KeyMemory(request.costs);
      return opened;
    }
    observer.Yield();
    progress.Enter(RunStage::kReadingBack);
    const auto frame = reader.ReadFrame(*keys, salt);
    if (!frame) return opened;
    observer.Started();
    auto content = reader.ReadFile(*keys, *frame, &progress);
    if (!content) return opened;
    const WipeOnExit wipe_content(*content);
    progress.Finish();
    observer.Progress(100);
    opened.result = RunResult{};
    const auto file_at = content->begin() + static_cast<std::ptrdiff_t>(frame->name_length);
    if (frame->layout == kNameLayout)
      opened.file_name = SafeFileName(std::string(content->begin(), file_at));
    else
      opened.extension = frame->extension;
    opened.file.assign(file_at, content->end());
    opened.result.bytes = opened.file.size();
  } catch (const FileFailure& failure) {
    opened.result = IoFailure(failure);
  } catch (const RunCancelled&) {
    opened.result = Cancelled();
  }
  return opened;
}

StealthCapacity MeasureStealthCapacity(RawFile& picture, std::optional<double> max_rate, unsigned threads) {
  using namespace stealth;
  const auto [cover, refusal, damaged] = ReadCover(picture);
  StealthCapacity capacity;
  if (!cover) {
    capacity.refusal = refusal;
    return capacity;
  }
  const CoverSamples& samples = cover->samples();
  const auto costs = ComputeCosts(samples, Threads(threads));
  capacity.rate = max_rate.value_or(DefaultMaxRate(samples.dct != nullptr));
  const StealthRoom room = RoomFor(samples, costs, capacity.rate);
  capacity.largest_file = room.largest_file;
  capacity.too_flat = room.limit == StealthRoom::Limit::kTooFlat;
  capacity.too_small = room.limit == StealthRoom::Limit::kSampleCount;
  capacity.usable_samples = costs.usable;
  capacity.pixels = samples.dct ? std::uint64_t{samples.dct->picture_width} * samples.dct->picture_height
                                : std::uint64_t{samples.width} * samples.height;
  capacity.samples = samples.SampleCount();
  capacity.coefficients = samples.dct != nullptr;
  capacity.traces = ReadJpegTraces(samples);
  return capacity;
}

}  // namespace veil::codec
