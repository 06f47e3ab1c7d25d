// Nanoseconds per group of every kernel this processor can run, over the
// largest hidden file's 5,592,405 groups, held in memory.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "codec/group_kernel.h"

int main() {
  constexpr std::size_t kGroups = 5592405;
  std::vector<std::uint8_t> cover(kGroups * 12), data(kGroups * 3), back(kGroups * 3);
  std::mt19937 random(3);
  for (auto& b : cover) b = static_cast<std::uint8_t>(random());
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  std::printf("%-10s %12s %12s\n", "kernel", "place ns/grp", "gather ns/grp");
  for (const veil::GroupKernel& kernel : veil::AvailableKernels()) {
    double place = 1e9, gather = 1e9;
    for (int round = 0; round < 5; ++round) {
      auto start = std::chrono::steady_clock::now();
      kernel.place(cover, data);
      auto middle = std::chrono::steady_clock::now();
      kernel.gather(cover, back);
      auto end = std::chrono::steady_clock::now();
      place = std::min(place, std::chrono::duration<double, std::nano>(middle - start).count() / kGroups);
      gather = std::min(gather, std::chrono::duration<double, std::nano>(end - middle).count() / kGroups);
    }
    if (back != data) {
      std::fprintf(stderr, "%s: gathered bytes differ\n", kernel.name);
      return 1;
    }
    std::printf("%-10s %12.2f %12.2f\n", kernel.name, place, gather);
  }
  return 0;
}
