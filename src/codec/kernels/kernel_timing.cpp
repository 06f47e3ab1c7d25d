#include "codec/kernels/kernel_timing.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace veil {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 7;
constexpr double kSampleNanoseconds = 2000;      // what the repeats aim at, for candidate 0
constexpr double kCandidateNanoseconds = 40000;  // a candidate's share of sampling
constexpr int kMostRepeats = 64;

double Time(const std::function<void(std::size_t)>& run, std::size_t candidate, int repeats) {
  const auto start = Clock::now();
  for (int i = 0; i < repeats; ++i) run(candidate);
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

}  // namespace

std::vector<double> TimeKernels(std::size_t count, std::size_t groups, const std::function<void(std::size_t)>& run) {
  std::vector<double> best(count, std::numeric_limits<double>::infinity());
  if (count == 0 || groups == 0) return best;
  for (std::size_t i = 0; i < count; ++i) run(i);  // code and tables into the caches
  int repeats = 1;
  while (repeats < kMostRepeats && Time(run, 0, repeats) < kSampleNanoseconds) repeats *= 2;
  std::vector<double> spent(count, 0);
  for (int round = 0; round < kRounds; ++round)
    for (std::size_t i = 0; i < count; ++i) {
      if (spent[i] >= kCandidateNanoseconds) continue;
      const double t = Time(run, i, repeats);
      spent[i] += t;
      best[i] = std::min(best[i], t);
    }
  for (double& t : best) t /= static_cast<double>(repeats) * static_cast<double>(groups);
  return best;
}

}  // namespace veil
