#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veil::bench {

// 4096 x 5462 pixels: 67,117,110 bytes, room for the largest hidden file.
inline constexpr std::uint32_t kCoverWidth = 4096;
inline constexpr std::uint32_t kCoverHeight = 5462;
inline constexpr std::size_t kLargestHiddenFile = 16777215;

void WriteCover(const std::string& path, std::uint32_t width, std::uint32_t height);
void WritePayload(const std::string& path, std::size_t size);
double Median(std::vector<double> values);
struct CommandRun {
  bool ok = false;
  double seconds = 0;
  long peak_kib = 0;  // the child's peak resident memory
};
// Runs a command with its standard output discarded.
CommandRun RunCommand(const std::vector<std::string>& argv);

}  // namespace veil::bench
