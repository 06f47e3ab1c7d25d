// Times veilwright-cli on the largest hidden file (16,777,215 bytes in a
// 67,117,110-byte cover) against two baselines that do the same amount of
// writing: cp of the cover to a new path, and a crash-safe copy (dd with
// fdatasync, the least a durable rewrite of the cover costs). Every command
// runs as a child process, in alternating order, and the medians, the ratios
// to both baselines and the children's peak memory are printed.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench_files.h"

using namespace veil::bench;

namespace {

CommandRun Run(const std::vector<std::string>& argv) {
  CommandRun run = RunCommand(argv);
  if (!run.ok) {
    std::fprintf(stderr, "failed: %s %s %s\n", argv[0].c_str(), argv.size() > 1 ? argv[1].c_str() : "",
                 argv.size() > 2 ? argv[2].c_str() : "");
    std::exit(1);
  }
  return run;
}

bool SameContents(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(x), {}, std::istreambuf_iterator<char>(y), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH-TO-veilwright-cli [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string cli = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  const auto dir = std::filesystem::temp_directory_path() / ("veilwright-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto at = [&](const char* name) { return (dir / name).string(); };
  const std::string cover = at("cover.bmp"), work = at("work.bmp"), marked = at("marked.bmp"),
                    sealed = at("sealed.bmp"), payload = at("payload.bin"), fresh = at("fresh.bmp"),
                    output = at("output.bin");

  WriteCover(cover, kCoverWidth, kCoverHeight);
  WritePayload(payload, kLargestHiddenFile);
  Run({"cp", cover, marked});
  Run({cli, "hide", marked, payload});
  // Sealed, the largest file that fits is a little smaller.
  const std::string sealed_payload = at("sealed-payload.bin");
  WritePayload(sealed_payload, 16000000);
  Run({"cp", cover, sealed});
  Run({cli, "hide", sealed, sealed_payload, "--seal", "--password", "bench", "--weak-password"});

  // Each baseline and command writes a file that does not exist yet, except
  // the in-place hide, whose picture is put back (untimed) before each run.
  struct Step {
    const char* name;
    std::function<void()> prepare;
    std::vector<std::string> command;
  };
  auto remove = [](const std::string& path) { return [path] { std::filesystem::remove(path); }; };
  const std::vector<Step> steps = {
      {"cp to a new path", remove(fresh), {"cp", cover, fresh}},
      {"crash-safe copy",
       remove(fresh),
       {"dd", "if=" + cover, "of=" + fresh, "bs=1M", "conv=fdatasync", "status=none"}},
      {"hide in place",
       [&] {
         Run({"cp", cover, work});
       },
       {cli, "hide", work, payload}},
      {"hide --output COPY", remove(fresh), {cli, "hide", cover, payload, "--output", fresh}},
      {"extract", remove(output), {cli, "extract", marked, "--output", output}},
      // With the key's derivation (the default costs) included.
      {"hide --seal, 16 MB",
       [&] {
         Run({"cp", cover, work});
       },
       {cli, "hide", work, sealed_payload, "--seal", "--password", "bench", "--weak-password"}},
      {"extract sealed", remove(output), {cli, "extract", sealed, "--password", "bench", "--output", output}},
  };
  std::map<std::string, std::vector<double>> seconds;
  std::map<std::string, long> peak;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const Step& step = steps[(i + static_cast<std::size_t>(round)) % steps.size()];  // rotate the order
      step.prepare();
      ::sync();
      const CommandRun run = Run(step.command);
      seconds[step.name].push_back(run.seconds);
      peak[step.name] = std::max(peak[step.name], run.peak_kib);
    }
  }
  std::filesystem::remove(fresh);
  Run({cli, "hide", cover, payload, "--output", fresh});
  bool correct = SameContents(fresh, marked);
  Run({"cp", cover, work});
  Run({cli, "hide", work, payload});
  correct = correct && SameContents(work, marked);
  std::filesystem::remove(output);
  Run({cli, "extract", marked, "--output", output});
  correct = correct && SameContents(output, payload);
  std::filesystem::remove_all(dir);
  if (!correct) {
    std::fprintf(stderr, "a command's result differs from what it should be\n");
    return 1;
  }

  const double cp = Median(seconds["cp to a new path"]), safe = Median(seconds["crash-safe copy"]);
  std::printf("cover 67117110 bytes, hidden file 16777215 bytes; median of %d alternating rounds\n", rounds);
  std::printf("%-20s %8s %10s %14s %12s\n", "", "seconds", "x cp", "x crash-safe", "peak memory");
  for (const Step& step : steps) {
    const double median = Median(seconds[step.name]);
    std::printf("%-20s %8.3f %9.2fx %13.2fx %8.1f MiB\n", step.name, median, median / cp, median / safe,
                peak[step.name] / 1024.0);
  }
  return 0;
}
