#include "platform/output_file.h"

namespace veil {

OutputFile::OutputFile(std::string path, std::string target, std::string staging, std::unique_ptr<RawFile> file)
    : path_(std::move(path)), target_(std::move(target)), staging_(std::move(staging)), file_(std::move(file)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)), target_(std::move(other.target_)), staging_(std::move(other.staging_)),
      file_(std::move(other.file_)), committed_(other.committed_) {
  other.committed_ = true;
  other.staging_.clear();
}

}  // namespace veil
