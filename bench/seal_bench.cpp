// The cost of sealing, the key's derivation left out: hiding and extracting
// 16,000,000 bytes sealed against the same in the plain form, in this
// process, alternating, with the key derived once beforehand.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

#include "bench_files.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "files/output_file.h"

using namespace veil;

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);  // every thread's
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The work's time, and the processor time of all this process's threads in
// cpu_seconds.
double Seconds(const std::function<void()>& work, std::vector<double>& cpu_seconds) {
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  work();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cpu_seconds.push_back(CpuSeconds() - cpu);
  return wall;
}

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
  const auto dir = std::filesystem::temp_directory_path() / ("veilwright-seal-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto at = [&](const char* name) { return (dir / name).string(); };
  bench::WriteCover(at("cover.bmp"), bench::kCoverWidth, bench::kCoverHeight);
  bench::WritePayload(at("payload.bin"), 16000000);
  const auto key = codec::SealKey::Derive("a password", codec::DefaultSealParams());
  Require(key.has_value(), "deriving the key");
  codec::RunObserver quiet;

  std::map<std::string, std::vector<double>> seconds, cpu;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool sealed = (turn == 0) == (round % 2 == 0);
      const std::string picture = at(sealed ? "sealed.bmp" : "plain.bmp");
      std::filesystem::copy_file(at("cover.bmp"), picture, std::filesystem::copy_options::overwrite_existing);
      ::sync();
      const std::string hide = sealed ? "hide sealed" : "hide plain";
      seconds[hide].push_back(Seconds(
          [&] {
            const auto cover = OpenSystemFile(picture, OpenMode::kLockedReadWrite);
            const auto payload = OpenSystemFile(at("payload.bin"), OpenMode::kReadOnly);
            Require(
                codec::Embed({*cover, *payload, nullptr, "bin", std::nullopt, sealed ? &*key : nullptr}, quiet).ok(),
                "hiding");
          },
          cpu[hide]));
      const std::string output = at(sealed ? "out-sealed.bin" : "out-plain.bin");
      std::filesystem::remove(output);
      ::sync();
      const std::string extract = sealed ? "extract sealed" : "extract plain";
      seconds[extract].push_back(Seconds(
          [&] {
            const auto cover = OpenSystemFile(picture, OpenMode::kLockedRead);
            OutputFile out = OutputFile::Open(output);
            Require(codec::Extract({*cover, out.File(), std::nullopt, sealed ? &*key : nullptr}, quiet).ok(),
                    "extracting");
            out.Commit();
          },
          cpu[extract]));
      Require(std::filesystem::file_size(output) == 16000000, "the extracted file's size");
    }
  }
  std::filesystem::remove_all(dir);
  std::printf("sealed against plain, 16000000 bytes, key derivation excluded, median of %d alternating rounds\n",
              rounds);
  for (const char* what : {"hide", "extract"}) {
    const double plain = bench::Median(seconds[std::string(what) + " plain"]);
    const double sealed = bench::Median(seconds[std::string(what) + " sealed"]);
    const double plain_cpu = bench::Median(cpu[std::string(what) + " plain"]);
    const double sealed_cpu = bench::Median(cpu[std::string(what) + " sealed"]);
    std::printf("%-8s plain %7.3f s  sealed %7.3f s  %5.2fx   processor time: plain %7.3f s  sealed %7.3f s\n", what,
                plain, sealed, sealed / plain, plain_cpu, sealed_cpu);
  }
  return 0;
}
