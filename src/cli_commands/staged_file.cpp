#include "cli_commands/staged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "cli_commands/cli_failure.h"

namespace veil::cli {
namespace {

std::string StagingNameFor(const std::string& destination) {
  const std::filesystem::path dest(destination);
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", random());
  std::string name = ".";
  name.append(dest.filename().string()).append(".").append(suffix).append(".partial");
  return (dest.parent_path() / name).string();
}

}  // namespace

StagedFile::StagedFile(std::string staging, std::string destination)
    : staging_(std::move(staging)), destination_(std::move(destination)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : staging_(std::move(other.staging_)), destination_(std::move(other.destination_)),
      committed_(other.committed_) {
  other.committed_ = true;
}

StagedFile::~StagedFile() {
  if (!committed_) ::unlink(staging_.c_str());
}

StagedFile StagedFile::For(const std::string& destination) {
  std::string staging = StagingNameFor(destination);
  const int fd = ::open(staging.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw CliFailure(destination + ": cannot create it: " + std::strerror(errno));
  ::close(fd);
  return StagedFile(std::move(staging), destination);
}

StagedFile StagedFile::CopyOf(const std::string& source, const std::string& destination) {
  StagedFile staged = For(destination);
  std::error_code error;
  std::filesystem::copy_file(source, staged.staging_, std::filesystem::copy_options::overwrite_existing, error);
  if (error) throw CliFailure(destination + ": cannot copy " + source + " to it: " + error.message());
  return staged;
}

void StagedFile::Commit() {
  if (::rename(staging_.c_str(), destination_.c_str()) != 0)
    throw CliFailure(destination_ + ": cannot write it: " + std::strerror(errno));
  committed_ = true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace veil::cli
