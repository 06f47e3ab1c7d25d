#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "files/raw_file.h"

namespace veil {

// A file held in memory, shared with whoever made it: fuzzers and tests run
// the real file layer over it without touching the disk.
class MemoryFile final : public RawFile {
 public:
  explicit MemoryFile(std::shared_ptr<std::vector<std::uint8_t>> bytes) : bytes_(std::move(bytes)) {}
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override;
  std::uint64_t Size() override { return bytes_->size(); }
  void Sync() override {}

 private:
  std::shared_ptr<std::vector<std::uint8_t>> bytes_;
};

}  // namespace veil
