#include "codec/stealth/stealth_runs.h"

#include <sodium.h>

#include <thread>

#include "codec/run_checks.h"
#include "codec/stealth/stealth_cover.h"
#include "codec/stealth/stealth_engine.h"
#include "platform/file_failure.h"

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

RunResult TooLarge(std::uint64_t size, std::optional<std::uint64_t> capacity) {
  RunResult result{RunStatus::kTooLarge};
  result.size = size;
  result.capacity = capacity.value_or(0);
  return result;
}

}  // namespace

RunResult HideStealth(const StealthHideRequest& request, RunObserver& observer) {
  using namespace stealth;
  try {
    if (sodium_init() < 0) return RunResult{RunStatus::kIoFailure};
    auto cover = ReadStealthCover(request.cover);
    if (!cover) return RunResult{RunStatus::kNotStealthCover};
    CoverSamples& samples = cover->samples();
    const std::uint64_t size = request.payload.Size();
    // Every sample usable is the most any picture of this size could take:
    // a file larger than that is refused before the key is derived.
    const auto bound = LargestHiddenFile(samples, samples.SampleCount(), request.max_rate);
    if (!bound || size > *bound) {
      // The refusal names the capacity inspect shows: the costs need no key.
      const auto costs = ComputeCosts(samples, Threads(request.threads));
      return TooLarge(size, LargestHiddenFile(samples, costs.usable, request.max_rate));
    }
    const auto file = ReadWhole(request.payload);

    Salt salt;
    randombytes_buf(salt.data(), salt.size());
    const auto keys = DeriveStealthKeys(request.password, salt, request.costs);
    if (!keys) return RunResult{RunStatus::kIoFailure};
    observer.Yield();
    StealthHider hider(samples, Threads(request.threads));
    const auto capacity = LargestHiddenFile(samples, hider.costs().usable, request.max_rate);
    if (!capacity || size > *capacity) return TooLarge(size, capacity);
    observer.Started();
    hider.HideSalt(salt);
    if (!hider.HideFile(*keys, salt, request.extension, file)) return TooLarge(size, 0);
    observer.Progress(50);
    observer.Yield();
    cover->Write(request.copy);
    observer.Progress(100);
    RunResult done;
    done.bytes = size;
    return done;
  } catch (const FileFailure& failure) {
    return IoFailure(failure);
  }
}

OpenedStealth OpenStealth(const StealthOpenRequest& request, RunObserver& observer) {
  using namespace stealth;
  OpenedStealth opened;
  opened.result = RunResult{RunStatus::kNoStealthFile};
  try {
    if (sodium_init() < 0) {
      opened.result = RunResult{RunStatus::kIoFailure};
      return opened;
    }
    auto cover = ReadStealthCover(request.cover);
    // A picture of no kind read here still costs the one key derivation,
    // so that every refusal takes the same time.
    CoverSamples none;
    StealthReader reader(cover ? cover->samples() : none, Threads(request.threads));
    // The reader keeps the low bits it needs; the samples go before the key
    // derivation's 256 MiB comes.
    cover.reset();
    const Salt salt = reader.ReadSalt();
    const auto keys = DeriveStealthKeys(request.password, salt, request.costs);
    if (!keys) {
      opened.result = RunResult{RunStatus::kIoFailure};
      return opened;
    }
    observer.Yield();
    const auto frame = reader.ReadFrame(*keys, salt);
    if (!frame) return opened;
    observer.Started();
    auto file = reader.ReadFile(*keys, *frame);
    if (!file) return opened;
    observer.Progress(100);
    opened.result = RunResult{};
    opened.result.bytes = file->size();
    opened.extension = frame->extension;
    opened.file = std::move(*file);
  } catch (const FileFailure& failure) {
    opened.result = IoFailure(failure);
  }
  return opened;
}

std::optional<StealthCapacity> MeasureStealthCapacity(RawFile& picture, double max_rate, unsigned threads) {
  using namespace stealth;
  const auto cover = ReadStealthCover(picture);
  if (!cover) return std::nullopt;
  const auto costs = ComputeCosts(cover->samples(), Threads(threads));
  StealthCapacity capacity;
  capacity.largest_file = LargestHiddenFile(cover->samples(), costs.usable, max_rate).value_or(0);
  capacity.usable_samples = costs.usable;
  capacity.pixels = std::uint64_t{cover->samples().width} * cover->samples().height;
  capacity.samples = cover->samples().SampleCount();
  return capacity;
}

}  // namespace veil::codec
