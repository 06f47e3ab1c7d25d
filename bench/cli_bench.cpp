// Times veilwright-cli hide and extract of the largest hidden file against cp
// of the cover, each as a child process, and prints the ratios and the
// children's peak memory.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_files.h"

using namespace veil::bench;

namespace {

CommandRun Run(const std::vector<std::string>& argv) {
  CommandRun run = RunCommand(argv);
  if (!run.ok) {
    std::fprintf(stderr, "failed: %s %s\n", argv[0].c_str(), argv.size() > 1 ? argv[1].c_str() : "");
    std::exit(1);
  }
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH-TO-veilwright-cli [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string cli = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const auto dir = std::filesystem::temp_directory_path() / ("veilwright-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string cover = (dir / "cover.bmp").string(), work = (dir / "work.bmp").string(),
                    payload = (dir / "payload.bin").string(), output = (dir / "output.bin").string();

  // 4096 x 5462 pixels: 67,117,110 bytes, room for a 16,777,215-byte file.
  WriteCover(cover, kCoverWidth, kCoverHeight);
  const auto cover_size = std::filesystem::file_size(cover);
  WritePayload(payload, 16777215);

  std::vector<double> cp, hide, extract;
  long hide_peak = 0, extract_peak = 0;
  for (int round = 0; round < rounds; ++round) {
    cp.push_back(Run({"cp", cover, work}).seconds);
    const CommandRun h = Run({cli, "hide", work, payload});
    const CommandRun e = Run({cli, "extract", work, "--output", output});
    hide.push_back(h.seconds);
    extract.push_back(e.seconds);
    hide_peak = std::max(hide_peak, h.peak_kib);
    extract_peak = std::max(extract_peak, e.peak_kib);
  }
  const bool same = std::filesystem::file_size(output) == 16777215 &&
                    std::equal(std::istreambuf_iterator<char>(std::ifstream(output, std::ios::binary).rdbuf()), {},
                               std::istreambuf_iterator<char>(std::ifstream(payload, std::ios::binary).rdbuf()));
  std::filesystem::remove_all(dir);
  if (!same) {
    std::fprintf(stderr, "extracted file differs from the payload\n");
    return 1;
  }

  const double base = Median(cp);
  std::printf("cover %ju bytes, payload 16777215 bytes, median of %d rounds\n",
              static_cast<std::uintmax_t>(cover_size), rounds);
  std::printf("cp of the cover   %7.3f s\n", base);
  std::printf("hide              %7.3f s  %5.2fx cp  peak memory %5.1f MiB\n", Median(hide), Median(hide) / base,
              hide_peak / 1024.0);
  std::printf("extract           %7.3f s  %5.2fx cp  peak memory %5.1f MiB\n", Median(extract),
              Median(extract) / base, extract_peak / 1024.0);
  return 0;
}
