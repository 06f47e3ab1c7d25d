// The JPEG detector benchmark's hands on coefficients (bench/jpeg_stealth):
//   veilwright-jpeg-bench dump IN.jpg OUT.bin
//     every component's blocks and quantisation table, for the features:
//     u32 components, then each: u32 width and height in blocks, 64 u16
//     steps (natural order), then its coefficients as i16, 64 a block
//   veilwright-jpeg-bench hide RATE SEED IN.jpg OUT.jpg
//     the stealth form at RATE bits per non-zero AC coefficient (the file
//     as large as the rate allows, shrunk until the picture takes it), key
//     derivation at its least costs; prints the hidden bytes
//   veilwright-jpeg-bench hide-juniward RATE SEED IN.jpg OUT.jpg
//     the same with J-UNIWARD's costs instead of UERD's
//   veilwright-jpeg-bench pm1 RATE SEED IN.jpg OUT.jpg
//     the simplest rival: RATE / 2 of the non-zero AC coefficients, drawn at
//     random, changed by +1 or -1 at random (what plain ±1 embedding of RATE
//     bits each changes)
//   veilwright-jpeg-bench costs ROUNDS IN.jpg
//     seconds for J-UNIWARD's cost map by each set of loops
//     this processor runs, one thread, the sets taking turns ROUNDS times;
//     then the whole cost map on one and two threads, and UERD's beside it
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "codec/covers/jpeg/jpeg_sample_cover.h"
#include "codec/stealth/embedding_costs.h"
#include "codec/stealth/juniward_costs.h"
#include "codec/stealth/juniward_kernels.h"
#include "codec/stealth/stealth_format.h"
#include "codec/stealth/stealth_runs.h"
#include "files/file_failure.h"
#include "files/memory_file.h"
#include "files/raw_file.h"

using namespace veil;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Load(const char* path) {
  auto file = OpenSystemFile(path, OpenMode::kReadOnly);
  Bytes bytes(static_cast<std::size_t>(file->Size()));
  ReadExactly(*file, 0, bytes);
  return bytes;
}

void Save(const char* path, const Bytes& bytes) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
}

std::unique_ptr<codec::JpegSampleCover> Cover(const Bytes& jpeg) {
  MemoryFile file(std::make_shared<Bytes>(jpeg));
  auto reading = codec::ReadJpegCover(file);
  if (!reading.cover) {
    std::fprintf(stderr, "no cover: %s\n", reading.refusal.c_str());
    std::exit(1);
  }
  return std::move(reading.cover);
}

std::uint64_t NonzeroAc(const codec::CoverSamples& samples) {
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < samples.values16.size(); ++i)
    count += i % 64 != 0 && samples.values16[i] != codec::kCoefficientOffset;
  return count;
}

int Dump(const char* in, const char* out) {
  const auto cover = Cover(Load(in));
  const auto& samples = cover->samples();
  Bytes bytes;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<std::uint32_t>(samples.dct->components.size()));
  for (const auto& component : samples.dct->components) {
    put32(component.width_in_blocks);
    put32(component.height_in_blocks);
    for (auto step : component.quant) bytes.push_back(static_cast<std::uint8_t>(step)), bytes.push_back(step >> 8);
    for (std::uint64_t i = 0; i < 64 * component.Blocks(); ++i) {
      const auto c = static_cast<std::uint16_t>(
          static_cast<std::int16_t>(samples.values16[component.first + i] - codec::kCoefficientOffset));
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  Save(out, bytes);
  return 0;
}

int Hide(double rate, unsigned seed, const char* in, const char* out, codec::stealth::JpegCostModel model) {
  const Bytes jpeg = Load(in);
  const std::uint64_t bits = static_cast<std::uint64_t>(rate * static_cast<double>(NonzeroAc(Cover(jpeg)->samples())));
  std::mt19937 random(seed);
  // The salt and the frame take 77 bytes of the rate's bits.
  for (auto size = static_cast<std::int64_t>(bits / 8) - 77; size > 0; size = size * 9 / 10) {
    Bytes secret(static_cast<std::size_t>(size));
    for (auto& b : secret) b = static_cast<std::uint8_t>(random());
    MemoryFile cover(std::make_shared<Bytes>(jpeg));
    MemoryFile payload(std::make_shared<Bytes>(secret));
    auto written = std::make_shared<Bytes>();
    MemoryFile copy(written);
    codec::StealthHideRequest request{cover, payload, copy, "bin", "bench password " + std::to_string(seed)};
    request.max_rate = rate;
    request.costs = {1, 8};
    request.threads = 1;
    request.jpeg_costs = model;
    codec::RunObserver observer;
    const auto result = codec::HideStealth(request, observer);
    if (result.ok()) {
      Save(out, *written);
      std::printf("%lld\n", static_cast<long long>(size));
      return 0;
    }
    if (result.status != codec::RunStatus::kTooLarge && result.status != codec::RunStatus::kTooFlat) {
      std::fprintf(stderr, "hide failed: status %d\n", static_cast<int>(result.status));
      return 1;
    }
  }
  std::fprintf(stderr, "the picture takes nothing at this rate\n");
  return 3;
}

int PlusMinusOne(double rate, unsigned seed, const char* in, const char* out) {
  auto cover = Cover(Load(in));
  auto& values = cover->samples().values16;
  std::vector<std::size_t> nonzero;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (i % 64 != 0 && values[i] != codec::kCoefficientOffset) nonzero.push_back(i);
  std::mt19937 random(seed);
  std::shuffle(nonzero.begin(), nonzero.end(), random);
  const auto changes = static_cast<std::size_t>(std::lround(rate / 2 * static_cast<double>(nonzero.size())));
  for (std::size_t j = 0; j < changes && j < nonzero.size(); ++j) {
    const std::size_t i = nonzero[j];
    const int c = int{values[i]} - codec::kCoefficientOffset;
    const int way = c >= 1022 ? -1 : c <= -1022 ? 1 : (random() & 1) != 0 ? 1 : -1;
    values[i] = static_cast<std::uint16_t>(values[i] + way);
  }
  Save(out, cover->Encode());
  std::printf("%zu\n", changes);
  return 0;
}

template <typename Work>
double Seconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Costs(int rounds, const char* in) {
  const auto cover = Cover(Load(in));
  const auto& samples = cover->samples();
  const auto& sets = codec::stealth::JUniwardKernelSets();
  std::vector<double> best(sets.size(), 1e30);
  for (int round = 0; round < rounds; ++round)
    for (std::size_t s = 0; s < sets.size(); ++s)
      best[s] = std::min(best[s], Seconds([&] {
                           codec::stealth::JUniwardCosts(samples, 1, sets[s]);
                         }));
  std::printf("%ux%u, %zu samples\n", samples.dct->picture_width, samples.dct->picture_height,
              samples.values16.size());
  for (std::size_t s = 0; s < sets.size(); ++s) std::printf("J-UNIWARD loops %-9s %.3f s\n", sets[s].name, best[s]);
  std::printf("chosen here: %s\n", codec::stealth::JUniwardKernelChoice().name);
  for (unsigned threads : {1u, 2u}) {
    double juniward = 1e30, uerd = 1e30;
    for (int round = 0; round < rounds; ++round) {
      juniward = std::min(juniward, Seconds([&] {
                            codec::stealth::ComputeCosts(samples, threads, codec::stealth::JpegCostModel::kJUniward);
                          }));
      uerd = std::min(uerd, Seconds([&] {
                        codec::stealth::ComputeCosts(samples, threads, codec::stealth::JpegCostModel::kUerd);
                      }));
    }
    std::printf("cost map, %u thread(s): J-UNIWARD %.3f s, UERD %.3f s\n", threads, juniward, uerd);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "dump" && argc == 4) return Dump(argv[2], argv[3]);
    if ((mode == "hide" || mode == "hide-juniward") && argc == 6)
      return Hide(std::atof(argv[2]), static_cast<unsigned>(std::atoi(argv[3])), argv[4], argv[5],
                  mode == "hide" ? codec::stealth::JpegCostModel::kUerd : codec::stealth::JpegCostModel::kJUniward);
    if (mode == "costs" && argc == 4) return Costs(std::atoi(argv[2]), argv[3]);
    if (mode == "pm1" && argc == 6)
      return PlusMinusOne(std::atof(argv[2]), static_cast<unsigned>(std::atoi(argv[3])), argv[4], argv[5]);
  } catch (const FileFailure& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: %s dump IN OUT | hide RATE SEED IN OUT | hide-juniward RATE SEED IN OUT | pm1 RATE SEED IN OUT | costs ROUNDS IN\n",
               argv[0]);
  return 2;
}
