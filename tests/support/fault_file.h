#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "files/numbered_files.h"
#include "files/raw_file.h"

namespace veil::test {

// One write or sync that reached a file, in the order they happened.
struct FileEvent {
  enum class Kind { kWrite, kSync };
  std::string path;
  Kind kind;
  std::uint64_t offset = 0, size = 0;  // writes
};

// Shared by every file a FaultInjector opens: how many system-level calls
// were made, the writes and syncs in order, and when to start failing.
struct FaultPlan {
  std::uint64_t fail_writes_after_bytes = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t fail_reads_after_bytes = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t fail_after_operations = std::numeric_limits<std::uint64_t>::max();  // reads and writes
  std::string only_path;              // empty: every file; ending in '*': every path that starts with the rest
  bool refuse_writable_open = false;  // as for a read-only file
  bool refuse_unnamed = false;        // as a file system without O_TMPFILE does
  std::uint64_t reads = 0, writes = 0, bytes_written = 0, bytes_read = 0;
  std::vector<FileEvent> events;
  // Runs at every sync, before it reaches the file.
  std::function<void(const std::string& path)> on_sync;

  bool Targets(const std::string& path) const;
  // The events of one file.
  std::vector<FileEvent> EventsOf(const std::string& path) const;
};

// Wraps real files so that tests count their system calls and make them fail
// after a number of bytes, as a full disk or a failing device would.
class FaultFile final : public RawFile {
 public:
  static constexpr std::size_t kSectorSize = 512;
  FaultFile(std::unique_ptr<RawFile> inner, FaultPlan& plan, bool faulty, std::string path)
      : inner_(std::move(inner)), plan_(plan), faulty_(faulty), path_(std::move(path)) {}
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override;
  std::uint64_t Size() override { return inner_->Size(); }
  void Sync() override;
  void StartWriteback(std::uint64_t offset, std::size_t size) override { inner_->StartWriteback(offset, size); }
  std::string Name() const override { return inner_->Name(); }
  void Link(const std::string& path) override { inner_->Link(path); }

 private:
  std::unique_ptr<RawFile> inner_;
  FaultPlan& plan_;
  bool faulty_;
  std::string path_;
};

NumberedFiles::Opener FaultyOpener(FaultPlan& plan);

}  // namespace veil::test
