#include "files/raw_file.h"

#include "files/file_failure.h"
#include "files/little_endian.h"

#include <algorithm>

namespace veil {

void ReadExactly(RawFile& file, std::uint64_t offset, std::span<std::uint8_t> out) {
  if (out.empty()) return;
  const std::size_t got = file.ReadAt(offset, out);
  if (got != out.size()) {
    const std::string name = file.Name().empty() ? std::string("the file") : file.Name();
    throw EndOfFile(
        "cannot read", name,
        "it ends at byte " + std::to_string(offset + got) + ", before byte " + std::to_string(offset + out.size()));
  }
}

void WriteU32At(RawFile& file, std::uint64_t offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  StoreU32(bytes, value);
  file.WriteAt(offset, bytes);
}

std::vector<std::uint8_t> ReadFront(RawFile& file, std::size_t most) {
  std::vector<std::uint8_t> bytes;
  constexpr std::size_t kBlock = 64 * 1024;
  while (bytes.size() < most) {
    const std::size_t at = bytes.size();
    bytes.resize(at + std::min(kBlock, most - at));
    const std::size_t got = file.ReadAt(at, {bytes.data() + at, bytes.size() - at});
    bytes.resize(at + got);
    if (got == 0) break;
  }
  return bytes;
}

void RawFile::Link(const std::string& path) { throw FileFailure("cannot link", path, "the file has a name already"); }

}  // namespace veil
