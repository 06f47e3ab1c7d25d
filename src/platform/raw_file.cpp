#include "platform/raw_file.h"

#include "platform/file_failure.h"
#include "platform/little_endian.h"

namespace veil {

void ReadExactly(RawFile& file, std::uint64_t offset, std::span<std::uint8_t> out) {
  if (out.empty()) return;
  const std::size_t got = file.ReadAt(offset, out);
  if (got != out.size()) {
    const std::string name = file.Name().empty() ? std::string("the file") : file.Name();
    throw EndOfFile("cannot read", name,
                    "it ends at byte " + std::to_string(offset + got) + ", before byte " +
                        std::to_string(offset + out.size()));
  }
}

void WriteU32At(RawFile& file, std::uint64_t offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  StoreU32(bytes, value);
  file.WriteAt(offset, bytes);
}

}  // namespace veil
