#include "codec/kernels/kernel_dispatch.h"

#include <optional>
#include <random>

#include "codec/kernels/group_kernel.h"
#include "codec/kernels/kernel_choice.h"
#include "codec/kernels/kernel_request.h"
#include "codec/kernels/kernel_timing.h"

namespace veil {
namespace {

constexpr std::size_t kTimedGroups = 256;  // 3 KiB of cover: in the cache, a few microseconds a call

template <class Kernel>
std::vector<const char*> Names(const std::vector<Kernel>& kernels) {
  std::vector<const char*> names;
  for (const Kernel& kernel : kernels) names.push_back(kernel.name);
  return names;
}

std::string& RequestedText() {
  static std::string text;
  return text;
}

KernelRequest Request() { return ParseKernelRequest(RequestedText(), Names(PlaceKernels()), Names(GatherKernels())); }

struct Buffers {
  std::vector<std::uint8_t> cover, data;
  Buffers() : cover(kTimedGroups * 12), data(kTimedGroups * 3) {
    std::minstd_rand random(7);
    for (auto& b : cover) b = static_cast<std::uint8_t>(random());
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
  }
};

template <class Kernel>
KernelChoice Choose(const std::vector<Kernel>& kernels, std::optional<std::size_t> forced,
                    void (*run)(const Kernel&, Buffers&)) {
  if (forced) return {*forced, kernels[*forced].name, true, {}};
  Buffers buffers;
  std::vector<double> times =
      TimeKernels(kernels.size(), kTimedGroups, [&](std::size_t i) { run(kernels[i], buffers); });
  const std::size_t index = ChooseKernel(times);
  return {index, kernels[index].name, false, std::move(times)};
}

}  // namespace

const KernelChoice& PlaceChoice() {
  static const KernelChoice choice = Choose<PlaceKernel>(
      PlaceKernels(), Request().place, [](const PlaceKernel& kernel, Buffers& b) { kernel.run(b.cover, b.data); });
  return choice;
}

const KernelChoice& GatherChoice() {
  static const KernelChoice choice = Choose<GatherKernel>(
      GatherKernels(), Request().gather, [](const GatherKernel& kernel, Buffers& b) { kernel.run(b.cover, b.data); });
  return choice;
}

void RequestKernels(std::string text) { RequestedText() = std::move(text); }

std::string KernelRequestProblem() { return Request().problem; }

void PlaceGroups(std::span<std::uint8_t> cover, std::span<const std::uint8_t> data) {
  static const PlaceFunction place = PlaceKernels()[PlaceChoice().index].run;
  place(cover, data);
}

void GatherGroups(std::span<const std::uint8_t> cover, std::span<std::uint8_t> data) {
  static const GatherFunction gather = GatherKernels()[GatherChoice().index].run;
  gather(cover, data);
}

}  // namespace veil
