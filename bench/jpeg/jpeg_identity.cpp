// For each JPEG given: whether writing it back with no coefficient changed
// gives the file byte for byte, and where it does not, what differs (the
// Huffman tables, the entropy-coded scans, or what a cover refusal says).
//   veilwright-jpeg-identity FILE...
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <variant>

#include "codec/covers/jpeg/jpeg_layout.h"
#include "codec/covers/jpeg/jpeg_sample_cover.h"
#include "files/file_failure.h"
#include "files/memory_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What differs between the file and its rewrite.
std::string Difference(const Bytes& file, const Bytes& written) {
  using veil::codec::jpeg::Layout;
  const auto a = veil::codec::jpeg::ReadLayout(file), b = veil::codec::jpeg::ReadLayout(written);
  if (!std::holds_alternative<Layout>(a) || !std::holds_alternative<Layout>(b)) return "unreadable rewrite";
  const Layout &x = std::get<Layout>(a), &y = std::get<Layout>(b);
  const bool same_head =
      x.first_scan == y.first_scan && std::equal(file.begin(), file.begin() + x.first_scan, written.begin());
  const bool same_scans = x.end - x.first_scan == y.end - y.first_scan &&
                          std::equal(file.begin() + x.first_scan, file.begin() + x.end, written.begin() + y.first_scan);
  if (!same_head && same_scans) return "Huffman tables or header differ, scans identical";
  if (same_head) return "tables kept, entropy-coded scans differ";
  return "Huffman tables and scans differ (tables replaced)";
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, int> tally;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    auto bytes = std::make_shared<Bytes>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    veil::MemoryFile file(bytes);
    std::string verdict;
    try {
      auto reading = veil::codec::ReadJpegCover(file);
      if (!reading.cover) {
        verdict = std::string(reading.damaged ? "damaged: " : "refused: ") + reading.refusal;
      } else {
        const Bytes written = reading.cover->Encode();
        verdict = written == *bytes ? "identical" : Difference(*bytes, written);
      }
    } catch (const veil::FileFailure& failure) {
      verdict = std::string("not written: ") + failure.what();
    }
    std::printf("%s\t%s\n", argv[i], verdict.c_str());
    const std::string kind = verdict.substr(0, verdict.find(':'));
    ++tally[kind];
  }
  for (const auto& [kind, count] : tally) std::fprintf(stderr, "%6d  %s\n", count, kind.c_str());
  return 0;
}
