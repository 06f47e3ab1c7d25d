#include "files/memory_file.h"

#include <algorithm>
#include <cstring>

namespace veil {

std::size_t MemoryFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset >= bytes_->size()) return 0;
  const std::size_t n = std::min<std::size_t>(out.size(), bytes_->size() - offset);
  std::memcpy(out.data(), bytes_->data() + offset, n);
  return n;
}

void MemoryFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) {
  if (offset + in.size() > bytes_->size()) bytes_->resize(offset + in.size());
  std::copy(in.begin(), in.end(), bytes_->begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace veil
