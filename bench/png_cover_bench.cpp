// A PNG cover's decoding and encoding alone, timed, with the deflate
// settings the encoding follows: the part of a stealth hiding in a PNG that
// libpng and zlib do.
//   veilwright_png_cover_bench COVER.png ROUNDS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <variant>

#include "codec/covers/png/png_reader.h"
#include "codec/covers/png/png_writer.h"
#include "files/memory_file.h"
#include "files/raw_file.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s COVER.png ROUNDS\n", argv[0]);
    return 2;
  }
  const int rounds = std::atoi(argv[2]);
  using Clock = std::chrono::steady_clock;
  const auto cover_file = veil::OpenSystemFile(argv[1], veil::OpenMode::kReadOnly);
  for (int round = 0; round < rounds; ++round) {
    const std::clock_t cpu_start = std::clock();
    const auto start = Clock::now();
    auto reading = veil::codec::png::ReadPngCover(*cover_file);
    const auto decoded = Clock::now();
    const std::clock_t cpu_decoded = std::clock();
    if (auto* refusal = std::get_if<veil::codec::png::PngRefusal>(&reading)) {
      std::fprintf(stderr, "%s\n", refusal->reason.c_str());
      return 1;
    }
    const auto& cover = std::get<veil::codec::png::PngCover>(reading);
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    bytes->reserve(static_cast<std::size_t>(cover_file->Size()) * 2);
    veil::MemoryFile out(bytes);
    const std::clock_t cpu_encoding = std::clock();
    const auto encoding = Clock::now();
    const auto settings = veil::codec::png::CoverDeflateSettings(*cover_file, cover);
    const auto chosen = Clock::now();
    veil::codec::png::WritePngCover(*cover_file, cover, out, settings);
    const auto encoded = Clock::now();
    const std::clock_t cpu_encoded = std::clock();
    const auto cpu = [](std::clock_t a, std::clock_t b) { return static_cast<double>(b - a) / CLOCKS_PER_SEC; };
    const auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
    std::printf(
        "round %d: decode %.3f s (processor %.3f s), settings %.3f s, encode %.3f s (processor %.3f s) (%s): "
        "%zu bytes, the cover %llu\n",
        round + 1, seconds(start, decoded), cpu(cpu_start, cpu_decoded), seconds(encoding, chosen),
        seconds(encoding, encoded), cpu(cpu_encoding, cpu_encoded), settings.Describe().c_str(), bytes->size(),
        static_cast<unsigned long long>(cover_file->Size()));
  }
  return 0;
}
