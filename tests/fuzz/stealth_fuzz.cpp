// Any bytes as a stealth picture: opening must find nothing or a whole
// file, never crash; an accepted cover takes a small file, and a hide that
// says it is done must open again with the same password.
#include <cstdlib>

#include "codec/stealth/stealth_runs.h"
#include "files/safe_file_name.h"
#include "fuzz_memory_platform.h"

namespace {

constexpr veil::codec::stealth::KdfCosts kQuick{1, 8};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veil;
  fuzz::Quiet quiet;
  const auto bytes = fuzz::MakeBuffer({data, data + size});
  MemoryFile picture(bytes);
  const auto opened = codec::OpenStealth({picture, "fuzz", kQuick, 1}, quiet);
  if (opened.result.ok() != (!opened.extension.empty() || opened.file_name.has_value())) std::abort();
  // A name the picture claims comes back safe: making it safe again changes nothing.
  if (opened.file_name && SafeFileName(*opened.file_name) != *opened.file_name) std::abort();

  const std::vector<std::uint8_t> secret(data, data + std::min<std::size_t>(size, 24));
  MemoryFile payload(fuzz::MakeBuffer(secret));
  const auto written = fuzz::MakeBuffer();
  MemoryFile copy(written);
  codec::StealthHideRequest request{picture, payload, copy, "bin", "fuzz"};
  request.max_rate = 3;
  request.costs = kQuick;
  request.threads = 1;
  if (size % 2 == 1) request.file_name = "fuzz notes.txt";
  const codec::RunResult hidden = codec::HideStealth(request, quiet);
  if (!hidden.ok()) {
    if (!written->empty()) std::abort();  // a refused hide writes nothing
    return 0;
  }
  MemoryFile made(written);
  const auto back = codec::OpenStealth({made, "fuzz", kQuick, 1}, quiet);
  if (!back.result.ok() || back.file != secret) std::abort();
  if (request.file_name ? back.file_name != request.file_name : back.extension != "bin") std::abort();
  return 0;
}
