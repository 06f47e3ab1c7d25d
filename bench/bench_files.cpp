#include "bench_files.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

namespace veil::bench {

void WriteCover(const std::string& path, std::uint32_t width, std::uint32_t height) {
  const std::uint32_t row = (width * 3 + 3) / 4 * 4;
  const std::uint32_t pixels = row * height;
  std::vector<unsigned char> header(54, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, 54 + pixels);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  header[26] = 1;
  header[28] = 24;
  put32(34, pixels);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header.data()), 54);
  std::vector<char> chunk(row);
  std::mt19937 random(1);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (auto& c : chunk) c = static_cast<char>(random());
    out.write(chunk.data(), row);
  }
}

void WritePayload(const std::string& path, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  std::mt19937 random(2);
  while (size) {
    for (auto& c : chunk) c = static_cast<char>(random());
    const std::size_t n = std::min(size, chunk.size());
    out.write(chunk.data(), static_cast<std::streamsize>(n));
    size -= n;
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

CommandRun RunCommand(const std::vector<std::string>& argv) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  CommandRun run;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peak_kib = usage.ru_maxrss;
  return run;
}

}  // namespace veil::bench
