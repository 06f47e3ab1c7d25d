// Times the stealth form's steps on one picture, the key derivation apart:
//   veilwright_stealth_bench PICTURE.bmp PAYLOAD [ROUNDS [quick-kdf]]
// Prints the seconds of each step of hiding and of extracting, round by
// round, and checks that the file comes back. With quick-kdf, Argon2id runs
// at libsodium's least costs, so that the process's peak memory (under
// /usr/bin/time) is the stealth form's own.
#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "codec/covers/sample_cover.h"
#include "codec/stealth/stealth_engine.h"
#include "codec/stealth/trellis_forward_choice.h"
#include "files/raw_file.h"

using namespace veil;
using namespace veil::codec::stealth;

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Processor seconds of the whole process (all threads): on a shared machine
// these vary less than the wall clock.
double Cpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

std::vector<std::uint8_t> ReadFile(const char* path) {
  auto file = OpenSystemFile(path, OpenMode::kReadOnly);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file->Size()));
  ReadExactly(*file, 0, bytes);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || sodium_init() < 0) {
    std::fprintf(stderr, "usage: %s PICTURE.bmp PAYLOAD [ROUNDS]\n", argv[0]);
    return 2;
  }
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  const KdfCosts costs = argc > 4 && std::string(argv[4]) == "quick-kdf" ? KdfCosts{1, 8} : KdfCosts{};
  const auto payload = ReadFile(argv[2]);
  const unsigned threads = 2;
  const auto& forward = TrellisForwardChoice();
  std::printf("trellis forward pass: %s (ns a column:", forward.name);
  for (std::size_t i = 0; i < forward.nanoseconds.size(); ++i)
    std::printf(" %s %.2f", ForwardKernels()[i].name, forward.nanoseconds[i]);
  std::printf(")\n");
  for (int round = 0; round < rounds; ++round) {
    auto picture = OpenSystemFile(argv[1], OpenMode::kReadOnly);
    double t0 = Now(), c0 = Cpu();
    auto cover = codec::ReadCover(*picture).cover;
    if (!cover) return 1;
    double t1 = Now(), c1 = Cpu();
    Salt salt;
    randombytes_buf(salt.data(), salt.size());
    const auto keys = DeriveStealthKeys("pw", salt, costs);
    double t2 = Now(), c2 = Cpu();
    StealthHider hider(cover->samples(), threads);
    double t3 = Now(), c3 = Cpu();
    const bool hid = hider.HideSalt(salt) && hider.HideFile(*keys, salt, "bin", payload);
    double t4 = Now(), c4 = Cpu();
    StealthReader reader(cover->samples(), threads);
    const Salt found = reader.ReadSalt();
    double t5 = Now(), c5 = Cpu();
    const auto frame = reader.ReadFrame(*keys, found);
    const auto file = frame ? reader.ReadFile(*keys, *frame) : std::nullopt;
    double t6 = Now(), c6 = Cpu();
    std::printf(
        "wall (cpu) seconds: read %.3f (%.3f)  kdf %.3f (%.3f)  costs %.3f (%.3f)  embed %.3f (%.3f)  | "
        "extract: salt %.3f (%.3f)  frame+file %.3f (%.3f) | changes %llu (%.3f of the %zu hidden bits) %s\n",
        t1 - t0, c1 - c0, t2 - t1, c2 - c1, t3 - t2, c3 - c2, t4 - t3, c4 - c3, t5 - t4, c5 - c4, t6 - t5, c6 - c5,
        static_cast<unsigned long long>(hider.changes()),
        static_cast<double>(hider.changes()) / (8.0 * static_cast<double>(payload.size())), payload.size() * 8,
        hid && file && *file == payload ? "ok" : "FAILED");
  }
  return 0;
}
