#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/numbered_files.h"
#include "platform/raw_file.h"

namespace veil::test {

// Shared by every file a FaultInjector opens: how many system-level calls
// were made, and when to start failing.
struct FaultPlan {
  std::uint64_t fail_writes_after_bytes = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t fail_reads_after_bytes = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t fail_after_operations = std::numeric_limits<std::uint64_t>::max();  // reads and writes
  std::string only_path;  // empty: every file
  bool refuse_writable_open = false;  // as for a read-only file
  std::uint64_t reads = 0, writes = 0, bytes_written = 0, bytes_read = 0;
};

// Wraps real files so that tests count their system calls and make them fail
// after a number of bytes, as a full disk or a failing device would.
class FaultFile final : public RawFile {
 public:
  static constexpr std::size_t kSectorSize = 512;
  FaultFile(std::unique_ptr<RawFile> inner, FaultPlan& plan, bool faulty)
      : inner_(std::move(inner)), plan_(plan), faulty_(faulty) {}
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override;
  std::uint64_t Size() override { return inner_->Size(); }
  void Sync() override { inner_->Sync(); }

 private:
  std::unique_ptr<RawFile> inner_;
  FaultPlan& plan_;
  bool faulty_;
};

NumberedFiles::Opener FaultyOpener(FaultPlan& plan);

}  // namespace veil::test
