// Any bytes as a PNG cover: reading must refuse or decode within its limits,
// never crash; a decoded cover, changed by one in a few samples and written,
// must read back as exactly those samples with every other byte kept.
#include <cstdlib>
#include <variant>

#include "codec/covers/png/png_reader.h"
#include "codec/covers/png/png_writer.h"
#include "fuzz_memory_platform.h"

namespace {

// Smaller than the program's own, so that each input stays quick.
constexpr veil::codec::png::PngLimits kLimits{std::uint64_t{1} << 20, 1u << 20};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using veil::codec::png::PngCover;
  const auto bytes = veil::fuzz::MakeBuffer({data, data + size});
  veil::MemoryFile source(bytes);
  auto result = veil::codec::png::ReadPngCover(source, kLimits);
  if (!std::holds_alternative<PngCover>(result)) {
    if (std::get<veil::codec::png::PngRefusal>(result).reason.empty()) std::abort();
    return 0;
  }
  PngCover& cover = std::get<PngCover>(result);
  auto& s = cover.samples;
  if (s.SampleCount() == 0 || (s.depth == 8 ? s.values8.size() : s.values16.size()) != s.SampleCount()) std::abort();
  // Flip the low bit of a few samples spread over the picture.
  for (std::size_t i = size % 7; i < s.SampleCount(); i += s.SampleCount() / 5 + 1) {
    if (s.depth == 8) {
      s.values8[i] ^= 1;
    } else {
      s.values16[i] ^= 1;
    }
  }
  const auto written = veil::fuzz::MakeBuffer();
  veil::MemoryFile out(written);
  veil::codec::png::WritePngCover(source, cover, out);
  const auto& chunks = cover.chunks;
  // Every byte before and after the image data is the cover's.
  if (written->size() < chunks.idat_begin + (chunks.file_size - chunks.idat_end)) std::abort();
  if (!std::equal(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(chunks.idat_begin), written->begin()))
    std::abort();
  if (!std::equal(bytes->begin() + static_cast<std::ptrdiff_t>(chunks.idat_end), bytes->end(),
                  written->end() - static_cast<std::ptrdiff_t>(chunks.file_size - chunks.idat_end)))
    std::abort();
  veil::MemoryFile again_file(written);
  auto again = veil::codec::png::ReadPngCover(again_file, kLimits);
  if (!std::holds_alternative<PngCover>(again)) std::abort();
  const auto& back = std::get<PngCover>(again);
  if (back.samples.values8 != s.values8 || back.samples.values16 != s.values16 || back.alpha8 != cover.alpha8 ||
      back.alpha16 != cover.alpha16)
    std::abort();
  return 0;
}
