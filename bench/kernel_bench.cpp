// Nanoseconds per group of every kernel this processor can run: over the
// largest hidden file's 5,592,405 groups held in memory, and over one
// stretch of 65,536 groups (as the runs move them) repeated, in the cache.
// Then the kernel the dispatcher chose for each operation, and why.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "codec/kernels/group_kernel.h"
#include "codec/kernels/kernel_dispatch.h"
#include "codec/kernels/kernel_request.h"

namespace {

template <class Kernel, class Buffer>
double Best(const Kernel& kernel, std::vector<std::uint8_t>& cover, Buffer& data, int repeats, std::size_t groups) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) kernel.run(cover, data);
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, ns / (static_cast<double>(groups) * repeats));
  }
  return best;
}

void Measure(std::size_t groups, int repeats, const char* what) {
  std::vector<std::uint8_t> cover(groups * 12), data(groups * 3), back(groups * 3);
  std::mt19937 random(3);
  for (auto& b : cover) b = static_cast<std::uint8_t>(random());
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  std::printf("%s\n%-10s %12s\n", what, "place", "ns/group");
  for (const veil::PlaceKernel& kernel : veil::PlaceKernels())
    std::printf("%-10s %12.2f\n", kernel.name, Best(kernel, cover, data, repeats, groups));
  std::printf("%-10s %12s\n", "gather", "ns/group");
  for (const veil::GatherKernel& kernel : veil::GatherKernels()) {
    std::fill(back.begin(), back.end(), 0);
    const double ns = Best(kernel, cover, back, repeats, groups);
    if (back != data) {
      std::fprintf(stderr, "%s: gathered bytes differ\n", kernel.name);
      std::exit(1);
    }
    std::printf("%-10s %12.2f\n", kernel.name, ns);
  }
}

template <class Kernel>
void PrintChoice(const char* operation, const veil::KernelChoice& choice, const std::vector<Kernel>& kernels) {
  std::printf("%-7s %-9s", operation, choice.name);
  if (choice.forced) {
    std::printf(" (forced by VEILWRIGHT_KERNEL)\n");
    return;
  }
  std::printf(" (timed:");
  for (std::size_t i = 0; i < kernels.size(); ++i) std::printf(" %s %.2f", kernels[i].name, choice.nanoseconds[i]);
  std::printf(" ns/group)\n");
}

}  // namespace

int main() {
  if (const char* kernels = std::getenv(veil::kKernelVariable)) veil::RequestKernels(kernels);
  if (const std::string problem = veil::KernelRequestProblem(); !problem.empty())
    std::fprintf(stderr, "ignored: %s\n", problem.c_str());
  // Chosen first, as a run would: before the measurements below warm anything up.
  const auto start = std::chrono::steady_clock::now();
  const veil::KernelChoice& place = veil::PlaceChoice();
  const veil::KernelChoice& gather = veil::GatherChoice();
  const double choosing = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  Measure(5592405, 1, "16,777,215 bytes' groups, in memory");
  Measure(65536, 85, "one stretch of 65,536 groups, in the cache");
  std::printf("the dispatcher's choice (%.0f microseconds to choose both)\n", choosing);
  PrintChoice("place", place, veil::PlaceKernels());
  PrintChoice("gather", gather, veil::GatherKernels());
  return 0;
}
