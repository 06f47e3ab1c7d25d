// Nanoseconds per group of every kernel this processor can run: over the
// largest hidden file's 5,592,405 groups held in memory, and over one
// stretch of 65,536 groups (as the runs move them) repeated, in the cache.
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <vector>

#include "codec/group_kernel.h"

namespace {

void Measure(std::size_t groups, int repeats, const char* what) {
  std::vector<std::uint8_t> cover(groups * 12), data(groups * 3), back(groups * 3);
  std::mt19937 random(3);
  for (auto& b : cover) b = static_cast<std::uint8_t>(random());
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  std::printf("%s\n%-10s %12s %12s\n", what, "kernel", "place ns/grp", "gather ns/grp");
  for (const veil::GroupKernel& kernel : veil::AvailableKernels()) {
    double place = 1e9, gather = 1e9;
    for (int round = 0; round < 5; ++round) {
      auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < repeats; ++i) kernel.place(cover, data);
      auto middle = std::chrono::steady_clock::now();
      for (int i = 0; i < repeats; ++i) kernel.gather(cover, back);
      auto end = std::chrono::steady_clock::now();
      const double count = static_cast<double>(groups) * repeats;
      place = std::min(place, std::chrono::duration<double, std::nano>(middle - start).count() / count);
      gather = std::min(gather, std::chrono::duration<double, std::nano>(end - middle).count() / count);
    }
    if (back != data) {
      std::fprintf(stderr, "%s: gathered bytes differ\n", kernel.name);
      std::exit(1);
    }
    std::printf("%-10s %12.2f %12.2f\n", kernel.name, place, gather);
  }
}

}  // namespace

int main() {
  Measure(5592405, 1, "16,777,215 bytes' groups, in memory");
  Measure(65536, 85, "one stretch of 65,536 groups, in the cache");
  return 0;
}
