#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>

#include "codec/kernels/kernel_choice.h"
#include "codec/kernels/kernel_timing.h"

namespace veil::test {
namespace {

std::size_t Choose(std::vector<double> nanoseconds) { return ChooseKernel(nanoseconds); }

TEST(KernelChoiceTest, EqualTimesKeepThePortableKernel) {
  EXPECT_EQ(Choose({1.0, 1.0, 1.0}), 0u);
  EXPECT_EQ(Choose({2.0}), 0u);
  EXPECT_EQ(Choose({}), 0u);
}

TEST(KernelChoiceTest, AClearlyFasterKernelIsChosen) {
  // This machine's kind of timings: both vector kernels far ahead.
  EXPECT_EQ(Choose({1.35, 0.51, 1.32}), 1u);
  EXPECT_EQ(Choose({3.09, 0.61, 0.70}), 1u);
  EXPECT_EQ(Choose({3.0, 1.0, 0.5}), 2u) << "the last kernel, twice as fast as the one before it";
}

TEST(KernelChoiceTest, MicrocodedBitDepositIsPassedOver) {
  // A Zen 2 processor: PDEP and PEXT are microcoded.
  EXPECT_EQ(Choose({2.22, 53.77}), 0u);
  EXPECT_EQ(Choose({2.22, 0.9, 53.77}), 1u);
  EXPECT_EQ(Choose({3.89, 1.42, 50.95}), 1u);
}

TEST(KernelChoiceTest, DifferencesWithinTheMarginKeepTheMorePortableKernel) {
  EXPECT_EQ(Choose({1.0, 0.85}), 0u) << "15% faster is within the noise";
  EXPECT_EQ(Choose({1.0, 0.81}), 0u);
  EXPECT_EQ(Choose({1.0, 0.8}), 1u) << "a fifth faster is clearly faster";
  EXPECT_EQ(Choose({1.0, 0.79}), 1u);
  EXPECT_EQ(Choose({1.0, 0.7, 0.6}), 1u) << "the vector kernel is within the margin of the fastest";
  EXPECT_EQ(Choose({1.0, 0.7, 0.55}), 2u);
  EXPECT_EQ(Choose({1.0, 1.2, 0.85}), 0u) << "slower kernels are never chosen";
}

TEST(KernelChoiceTest, UnmeasuredTimesAreNeverChosen) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  EXPECT_EQ(Choose({1.0, inf, 0.5}), 2u);
  EXPECT_EQ(Choose({1.0, 0.0, 2.0}), 0u);
  EXPECT_EQ(Choose({1.0, -1.0}), 0u);
  EXPECT_EQ(Choose({1.0, nan}), 0u);
  EXPECT_EQ(Choose({nan, 0.1}), 0u) << "without the portable kernel's time there is nothing to compare";
  EXPECT_EQ(Choose({inf, 0.1}), 0u);
}

// A kernel that busies the processor for about the given time, as a
// microcoded one would, counting its calls.
void Spin(std::chrono::nanoseconds how_long) {
  const auto end = std::chrono::steady_clock::now() + how_long;
  while (std::chrono::steady_clock::now() < end) {
  }
}

TEST(KernelTimingTest, RanksKernelsAndSamplesASlowOneOnlyBriefly) {
  std::vector<int> calls(3, 0);
  const auto start = std::chrono::steady_clock::now();
  const std::vector<double> ns = TimeKernels(3, 100, [&](std::size_t i) {
    ++calls[i];
    Spin(std::chrono::nanoseconds(i == 0 ? 600 : i == 1 ? 200 : 60000));
  });
  const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(ns.size(), 3u);
  EXPECT_GT(ns[0], 1.5 * ns[1]) << ns[0] << " " << ns[1];
  EXPECT_GT(ns[2], 20 * ns[0]) << ns[0] << " " << ns[2];
  EXPECT_EQ(ChooseKernel(ns), 1u);
  EXPECT_GE(ns[1], 2.0) << "at least the time spun, per group";
  EXPECT_LT(calls[2], calls[0] / 4) << "the slow kernel was sampled as often as the others";
  EXPECT_LT(took, 20.0) << "milliseconds spent timing";
}

}  // namespace
}  // namespace veil::test
