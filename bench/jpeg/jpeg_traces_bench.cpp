// For each picture given (BMP or PNG): whether its colours say it was a
// decoded JPEG, with the counts behind the verdict.
//   veilwright-jpeg-traces FILE...
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "codec/covers/jpeg_traces.h"
#include "codec/covers/sample_cover.h"
#include "files/file_failure.h"
#include "files/memory_file.h"

int main(int argc, char** argv) {
  int judged = 0, was_jpeg = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::istreambuf_iterator<char>(in),
                                                             std::istreambuf_iterator<char>());
    veil::MemoryFile file(bytes);
    try {
      const auto reading = veil::codec::ReadCover(file);
      if (!reading.cover) {
        std::printf("%s\tno cover\t%s\n", argv[i], reading.refusal.c_str());
        continue;
      }
      const auto traces = veil::codec::ReadJpegTraces(reading.cover->samples());
      if (traces.colour_pixels == 0) {
        std::printf("%s\tnot judged\n", argv[i]);
        continue;
      }
      ++judged;
      was_jpeg += traces.WasJpeg();
      std::printf("%s\t%s\t%llu of %llu colour pixels outside, %llu distinct colours\n", argv[i],
                  traces.WasJpeg() ? "was a JPEG" : "clean", static_cast<unsigned long long>(traces.outside),
                  static_cast<unsigned long long>(traces.colour_pixels),
                  static_cast<unsigned long long>(traces.distinct));
    } catch (const veil::FileFailure& failure) {
      std::printf("%s\tunreadable\t%s\n", argv[i], failure.what());
    }
  }
  std::fprintf(stderr, "%d judged, %d of them were JPEGs\n", judged, was_jpeg);
  return 0;
}
