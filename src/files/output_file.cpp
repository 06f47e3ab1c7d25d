#include "files/output_file.h"

namespace veil {

OutputFile::OutputFile(std::string path, std::string target, std::string staging, std::unique_ptr<RawFile> file,
                       Finish finish)
    : path_(std::move(path)),
      target_(std::move(target)),
      staging_(std::move(staging)),
      file_(std::move(file)),
      finish_(finish) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      staging_(std::move(other.staging_)),
      file_(std::move(other.file_)),
      finish_(other.finish_),
      committed_(other.committed_) {
  other.committed_ = true;
  other.staging_.clear();
}

std::unique_ptr<RawFile> OutputFile::TakeFile() {
  if (file_ && finish_.unnamed) {
    file_->Link(staging_);
    finish_.unnamed = false;
  }
  return std::move(file_);
}

}  // namespace veil
