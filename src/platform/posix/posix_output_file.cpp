#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/file_failure.h"
#include "platform/output_file.h"

namespace veil {
namespace {

namespace fs = std::filesystem;

// Follows symbolic links (a chain of them, or a dangling one) to the path
// they end at.
std::string FollowLinks(const std::string& path) {
  fs::path current(path);
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current.string();
    char target[4096];
    const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
    if (n < 0) throw FileFailure("cannot follow", path, std::strerror(errno));
    const fs::path next(std::string(target, static_cast<std::size_t>(n)));
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  throw FileFailure("cannot follow", path, std::strerror(ELOOP));
}

std::string StagingNameBeside(const std::string& target) {
  const fs::path path(target);
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", random());
  return (path.parent_path() / ("." + path.filename().string() + "." + suffix + ".partial")).string();
}

// Makes a rename durable; a folder that cannot be synced is no reason to fail.
void SyncFolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

OutputFile OutputFile::Open(const std::string& path, const Opener& opener) {
  const std::string target = FollowLinks(path);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) throw FileFailure("cannot write", path, std::strerror(errno));
  if (exists && S_ISDIR(st.st_mode)) throw FileFailure("cannot write", path, "it is a folder");
  if (exists && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)))
    return OutputFile(path, target, {}, opener(target, OpenMode::kWriteStream));
  if (exists && !S_ISREG(st.st_mode))
    throw FileFailure("cannot write", path, "it is not a regular file, a FIFO or a character device");

  const std::string staging = StagingNameBeside(target);
  std::unique_ptr<RawFile> file;
  try {
    file = opener(staging, OpenMode::kCreateNew);
  } catch (const FileFailure& failure) {
    throw FileFailure("cannot create", path, failure.cause());
  }
  if (exists) {
    ::chmod(staging.c_str(), st.st_mode & 0666);
    if (::geteuid() == 0) {
      [[maybe_unused]] const int ignored = ::chown(staging.c_str(), st.st_uid, st.st_gid);
    }
  }
  return OutputFile(path, target, staging, std::move(file));
}

void OutputFile::Commit() {
  if (file_) file_->Sync();
  if (!staging_.empty()) {
    if (!file_) {
      // Closed already: sync through a descriptor of our own.
      const int fd = ::open(staging_.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || ::fdatasync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        throw FileFailure("cannot flush", path_, std::strerror(error));
      }
      ::close(fd);
    }
    file_.reset();
    if (::rename(staging_.c_str(), target_.c_str()) != 0) throw FileFailure("cannot write", path_, std::strerror(errno));
    SyncFolderOf(target_);
  }
  file_.reset();
  committed_ = true;
}

OutputFile::~OutputFile() {
  file_.reset();
  if (!committed_ && !staging_.empty()) ::unlink(staging_.c_str());
}

}  // namespace veil
