#include "files/numbered_file.h"

#include <algorithm>
#include <cstring>

#include "files/file_failure.h"
#include "files/little_endian.h"

namespace veil {

NumberedFile::NumberedFile(std::unique_ptr<RawFile> raw, std::string path)
    : raw_(std::move(raw)), path_(std::move(path)), length_(raw_->Size()), window_(kWindowSize) {}

NumberedFile::~NumberedFile() {
  try {
    Flush();
  } catch (const FileFailure&) {
    // Closing explicitly reports the failure; a destructor cannot.
  }
}

bool NumberedFile::InWindow(std::uint64_t offset, std::size_t size) const {
  return offset >= window_start_ && offset + size <= window_start_ + window_len_;
}

void NumberedFile::LoadWindow(std::uint64_t offset) {
  Flush();
  window_start_ = offset;
  window_len_ = raw_->ReadAt(offset, window_);
}

std::uint64_t NumberedFile::Length() {
  if (length_stale_) {
    length_ = raw_->Size();
    length_stale_ = false;
  }
  return length_;
}

RawFile& NumberedFile::Unbuffered() {
  Flush();
  window_len_ = 0;
  length_stale_ = true;
  return *raw_;
}

void NumberedFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  Length();
  if (out.empty()) {
    position_ = offset;
    return;
  }
  if (offset + out.size() > length_)
    throw EndOfFile(
        "cannot read", path_,
        "it ends at byte " + std::to_string(length_) + ", before byte " + std::to_string(offset + out.size()));
  if (!InWindow(offset, out.size())) {
    if (out.size() >= kWindowSize / 2) {
      Flush();
      if (raw_->ReadAt(offset, out) != out.size())
        throw EndOfFile("cannot read", path_, "it became shorter while it was read");
      position_ = offset + out.size();
      return;
    }
    LoadWindow(offset);
    if (!InWindow(offset, out.size())) throw EndOfFile("cannot read", path_, "it became shorter while it was read");
  }
  std::memcpy(out.data(), window_.data() + (offset - window_start_), out.size());
  position_ = offset + out.size();
}

void NumberedFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) {
  Length();
  if (in.empty()) {
    position_ = offset;
    return;
  }
  const bool fits_window = offset >= window_start_ && offset <= window_start_ + window_len_ &&
                           offset + in.size() <= window_start_ + kWindowSize;
  if (!fits_window) {
    if (in.size() >= kWindowSize / 2) {
      Flush();
      raw_->WriteAt(offset, in);
      // Keep the window coherent with what is now in the file.
      if (offset < window_start_ + window_len_ && window_start_ < offset + in.size()) window_len_ = 0;
      position_ = offset + in.size();
      length_ = std::max(length_, position_);
      return;
    }
    LoadWindow(offset);
  }
  const std::size_t at = static_cast<std::size_t>(offset - window_start_);
  std::memcpy(window_.data() + at, in.data(), in.size());
  if (dirty_begin_ == dirty_end_) {
    dirty_begin_ = at;
    dirty_end_ = at + in.size();
  } else {
    dirty_begin_ = std::min(dirty_begin_, at);
    dirty_end_ = std::max(dirty_end_, at + in.size());
  }
  window_len_ = std::max(window_len_, at + in.size());
  position_ = offset + in.size();
  length_ = std::max(length_, position_);
}

std::uint8_t NumberedFile::ReadU8At(std::uint64_t offset) {
  std::uint8_t b = 0;
  ReadAt(offset, {&b, 1});
  return b;
}

std::uint16_t NumberedFile::ReadU16At(std::uint64_t offset) {
  std::uint8_t b[2];
  ReadAt(offset, b);
  return LoadU16(b);
}

std::uint32_t NumberedFile::ReadU32At(std::uint64_t offset) {
  std::uint8_t b[4];
  ReadAt(offset, b);
  return LoadU32(b);
}

void NumberedFile::WriteU32At(std::uint64_t offset, std::uint32_t value) {
  std::uint8_t b[4];
  StoreU32(b, value);
  WriteAt(offset, b);
}

void NumberedFile::Flush() {
  if (dirty_begin_ == dirty_end_) return;
  const std::size_t begin = dirty_begin_, end = dirty_end_;
  dirty_begin_ = dirty_end_ = 0;
  raw_->WriteAt(window_start_ + begin, std::span<const std::uint8_t>(window_).subspan(begin, end - begin));
}

void NumberedFile::Sync() {
  Flush();
  raw_->Sync();
}

}  // namespace veil
