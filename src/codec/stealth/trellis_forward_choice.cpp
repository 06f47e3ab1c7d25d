#include "codec/stealth/trellis_forward_choice.h"

#include <random>

#include "codec/kernels/kernel_choice.h"
#include "codec/kernels/kernel_timing.h"

namespace veil::codec::stealth {
namespace {

// 512 columns carrying 64 bits: tens of microseconds a pass, all in the cache.
constexpr std::size_t kColumns = 512, kBits = 64;

struct TimedProblem {
  std::vector<std::uint8_t> x, message, hhat, paths;
  std::vector<float> rho;
  TimedProblem() : x(kColumns), message(kBits), hhat(kColumns / kBits), paths(kColumns * 16), rho(kColumns) {
    std::minstd_rand random(7);
    for (auto& b : x) b = static_cast<std::uint8_t>(random() & 1);
    for (auto& b : message) b = static_cast<std::uint8_t>(random() & 1);
    for (auto& h : hhat) h = static_cast<std::uint8_t>((random() & 127) | 65);
    for (auto& r : rho) r = static_cast<float>(random() % 1000) / 100.0f;
  }
  TrellisProblem View() { return {x.data(), rho.data(), message.data(), kColumns, kBits, hhat.data(), paths.data()}; }
};

}  // namespace

const std::vector<ForwardKernel>& ForwardKernels() {
  static const std::vector<ForwardKernel> kernels = [] {
    std::vector<ForwardKernel> found = {{"portable", ForwardPortable}};
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx2")) found.push_back({"avx2", ForwardAvx2});
#endif
    return found;
  }();
  return kernels;
}

const KernelChoice& TrellisForwardChoice() {
  static const KernelChoice choice = [] {
    const auto& kernels = ForwardKernels();
    TimedProblem problem;
    const TrellisProblem view = problem.View();
    auto times = TimeKernels(kernels.size(), kColumns, [&](std::size_t i) { kernels[i].run(view); });
    const std::size_t index = ChooseKernel(times);
    return KernelChoice{index, kernels[index].name, false, std::move(times)};
  }();
  return choice;
}

}  // namespace veil::codec::stealth
