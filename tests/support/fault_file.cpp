#include "support/fault_file.h"

#include "platform/file_failure.h"

namespace veil::test {

std::size_t FaultFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  ++plan_.reads;
  if (faulty_ && (plan_.bytes_read + out.size() > plan_.fail_reads_after_bytes ||
                  plan_.reads + plan_.writes > plan_.fail_after_operations))
    throw FileFailure("injected read failure");
  const std::size_t n = inner_->ReadAt(offset, out);
  plan_.bytes_read += n;
  return n;
}

void FaultFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) {
  ++plan_.writes;
  if (faulty_ && plan_.reads + plan_.writes > plan_.fail_after_operations) throw FileFailure("injected failure");
  if (faulty_ && plan_.bytes_written + in.size() > plan_.fail_writes_after_bytes) {
    // Like a device that fails part-way: the bytes before the limit land,
    // except in a write of one sector or less, which lands whole or not at all.
    const std::uint64_t room = plan_.fail_writes_after_bytes - plan_.bytes_written;
    if (room > 0 && in.size() > kSectorSize) inner_->WriteAt(offset, in.first(static_cast<std::size_t>(room)));
    plan_.bytes_written += room;
    throw FileFailure("injected write failure");
  }
  inner_->WriteAt(offset, in);
  plan_.bytes_written += in.size();
}

NumberedFiles::Opener FaultyOpener(FaultPlan& plan) {
  return [&plan](const std::string& path, OpenMode mode) -> std::unique_ptr<RawFile> {
    const bool faulty = plan.only_path.empty() || plan.only_path == path;
    if (faulty && plan.refuse_writable_open && mode != OpenMode::kReadOnly)
      throw FileFailure("cannot open " + path + ": Permission denied");
    return std::make_unique<FaultFile>(OpenSystemFile(path, mode), plan, faulty);
  };
}

}  // namespace veil::test
