#include "codec/seal/derivation_aside.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "codec/seal/wipe.h"

namespace veil::codec {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollEvery = std::chrono::milliseconds(50);

// Seconds per KiB and pass: measured by every derivation that ends; until
// then, what a 2-core machine took when this was written.
std::atomic<double> seconds_per_work_kib{1e-6};

// What the derivation's thread owns: the caller may be gone when it ends.
struct Derivation {
  std::string password;
  SealParams params;
  std::optional<std::array<std::uint8_t, seal::kSaltSize>> salt;
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  std::optional<SealKey> key;

  ~Derivation() { Wipe(password); }
};

// The share of the stage done: the time passed against the time expected,
// slowing towards 1 past what was expected so as to go on moving.
double EstimatedShare(double elapsed, double expected) {
  constexpr double kSure = 0.9;
  const double x = elapsed / std::max(expected, 1e-3);
  if (x <= kSure) return x;
  return kSure + (1 - kSure) * (1 - std::exp(-(x - kSure) / (1 - kSure)));
}

}  // namespace

double ExpectedDerivationSeconds(const SealParams& params) {
  return static_cast<double>(params.WorkKib()) * seconds_per_work_kib.load(std::memory_order_relaxed);
}

std::optional<SealKey> DeriveAside(const std::string& password, const SealParams& params,
                                   const std::optional<std::array<std::uint8_t, seal::kSaltSize>>& salt,
                                   RunProgress& progress) {
  auto derivation = std::make_shared<Derivation>();
  derivation->password = password;
  derivation->params = params;
  derivation->salt = salt;
  const double expected = ExpectedDerivationSeconds(params);
  const auto started = Clock::now();
  std::thread([derivation] {
    auto key = SealKey::Derive(derivation->password, derivation->params, derivation->salt);
    const std::lock_guard<std::mutex> held(derivation->lock);
    Wipe(derivation->password);
    derivation->key = std::move(key);
    derivation->done = true;
    derivation->ended.notify_all();
  }).detach();
  for (;;) {
    {
      std::unique_lock<std::mutex> held(derivation->lock);
      if (derivation->ended.wait_for(held, kPollEvery, [&] { return derivation->done; })) break;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    progress.At(EstimatedShare(elapsed, expected));  // throws RunCancelled: the thread finishes alone
  }
  const double took = std::chrono::duration<double>(Clock::now() - started).count();
  if (derivation->key && params.WorkKib() > 0)
    seconds_per_work_kib.store(took / static_cast<double>(params.WorkKib()), std::memory_order_relaxed);
  const std::lock_guard<std::mutex> held(derivation->lock);
  return std::move(derivation->key);
}

}  // namespace veil::codec
