#include "support/fault_file.h"

#include "files/file_failure.h"

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

bool FaultPlan::Targets(const std::string& path) const {
  if (only_path.empty() || only_path == path) return true;
  return only_path.back() == '*' && path.rfind(only_path.substr(0, only_path.size() - 1), 0) == 0;
}

std::vector<FileEvent> FaultPlan::EventsOf(const std::string& path) const {
  std::vector<FileEvent> of;
  for (const auto& event : events)
    if (event.path == path) of.push_back(event);
  return of;
}

void FaultFile::Sync() {
  if (plan_.on_sync) plan_.on_sync(path_);
  plan_.events.push_back({path_, FileEvent::Kind::kSync});
  inner_->Sync();
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
  plan_.events.push_back({path_, FileEvent::Kind::kWrite, offset, in.size()});
}

NumberedFiles::Opener FaultyOpener(FaultPlan& plan) {
  return [&plan](const std::string& path, OpenMode mode) -> std::unique_ptr<RawFile> {
    const bool faulty = plan.Targets(path);
    const bool writable = mode != OpenMode::kReadOnly && mode != OpenMode::kLockedRead && mode != OpenMode::kReadStream;
    if (faulty && plan.refuse_writable_open && writable)
      throw FileFailure("cannot open " + path + ": Permission denied");
    if (plan.refuse_unnamed && mode == OpenMode::kCreateUnnamed)
      throw FileFailure("cannot open", path, "Operation not supported");
    return std::make_unique<FaultFile>(OpenSystemFile(path, mode), plan, faulty, path);
  };
}

}  // namespace veil::test
