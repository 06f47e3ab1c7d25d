// For each PNG given: whether writing it back with no sample changed gives
// the file byte for byte, and where it does not, what differs (the IDAT
// chunks' lengths only, or the compressed data, with the deflate settings
// that were used and whether they reproduced the start of the cover's data).
//   veilwright-png-identity FILE...
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <variant>

#include "codec/covers/png/deflate_settings.h"
#include "codec/covers/png/png_reader.h"
#include "codec/covers/png/png_writer.h"
#include "files/file_failure.h"
#include "files/memory_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The IDAT chunks' data, one after another.
Bytes ImageData(const Bytes& png) {
  Bytes data;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = (std::size_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    if (at + 12 + length > png.size()) break;
    if (std::string(png.begin() + at + 4, png.begin() + at + 8) == "IDAT")
      data.insert(data.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    at += 12 + length;
  }
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, int> tally;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    auto bytes = std::make_shared<Bytes>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    veil::MemoryFile file(bytes);
    std::string verdict, settings;
    try {
      auto reading = veil::codec::png::ReadPngCover(file);
      if (auto* refusal = std::get_if<veil::codec::png::PngRefusal>(&reading)) {
        verdict = "refused: " + refusal->reason;
      } else {
        const auto& cover = std::get<veil::codec::png::PngCover>(reading);
        const auto chosen = veil::codec::png::CoverDeflateSettings(file, cover);
        settings = chosen.Describe();
        auto written = std::make_shared<Bytes>();
        veil::MemoryFile out(written);
        veil::codec::png::WritePngCover(file, cover, out, chosen);
        if (*written == *bytes) {
          verdict = "identical";
        } else if (ImageData(*written) == ImageData(*bytes)) {
          verdict = "same image data, chunked otherwise";
        } else {
          verdict = chosen.reproduces_cover ? "image data differs (settings matched its start)"
                                            : "image data differs (no usual zlib settings give it)";
        }
      }
    } catch (const veil::FileFailure& failure) {
      verdict = std::string("not written: ") + failure.what();
    }
    std::printf("%s\t%s\t%s\n", argv[i], verdict.c_str(), settings.c_str());
    ++tally[verdict.substr(0, verdict.find(':'))];
  }
  for (const auto& [kind, count] : tally) std::fprintf(stderr, "%6d  %s\n", count, kind.c_str());
  return 0;
}
