#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "files/file_failure.h"
#include "files/output_file.h"

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

// The process's umask, read without changing it where the system tells it.
mode_t CurrentUmask() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
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
    return OutputFile(path, target, {}, opener(target, OpenMode::kWriteStream), Finish{});
  if (exists && !S_ISREG(st.st_mode))
    throw FileFailure("cannot write", path, "it is not a regular file, a FIFO or a character device");

  const std::string staging = StagingNameBeside(target);
  Finish finish;
  finish.target_existed = exists;
  finish.mode = exists ? (st.st_mode & 0666) : (0666 & ~CurrentUmask());
  if (exists && ::geteuid() == 0) {
    finish.owner = static_cast<long>(st.st_uid);
    finish.group = static_cast<long>(st.st_gid);
  }
  std::unique_ptr<RawFile> file;
  try {
    file = opener(staging, OpenMode::kCreateUnnamed);
    finish.unnamed = true;
  } catch (const FileFailure&) {
    // The file system keeps no unnamed files (or the system is no Linux):
    // a private file under the staging name.
    try {
      file = opener(staging, OpenMode::kCreateNew);
    } catch (const FileFailure& failure) {
      throw FileFailure("cannot create", path, failure.cause());
    }
  }
  return OutputFile(path, target, staging, std::move(file), finish);
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
    if (finish_.unnamed) {
      finish_.unnamed = false;
      // A new file takes its own name at once; one that replaces a file goes
      // through the staging name, as only a rename replaces.
      bool named = false;
      if (!finish_.target_existed) {
        try {
          file_->Link(target_);
          named = true;
        } catch (const FileFailure&) {
          // Made by someone else meanwhile: replaced like an existing file.
        }
      }
      if (named) {
        ::chmod(target_.c_str(), static_cast<mode_t>(finish_.mode));
        file_.reset();
        SyncFolderOf(target_);
        committed_ = true;
        return;
      }
      file_->Link(staging_);
    }
    file_.reset();
    ::chmod(staging_.c_str(), static_cast<mode_t>(finish_.mode));
    if (finish_.owner >= 0) {
      [[maybe_unused]] const int ignored =
          ::chown(staging_.c_str(), static_cast<uid_t>(finish_.owner), static_cast<gid_t>(finish_.group));
    }
    if (::rename(staging_.c_str(), target_.c_str()) != 0)
      throw FileFailure("cannot write", path_, std::strerror(errno));
    SyncFolderOf(target_);
  }
  file_.reset();
  committed_ = true;
}

OutputFile::~OutputFile() {
  file_.reset();  // an unnamed staging file vanishes with it
  if (!committed_ && !staging_.empty() && !finish_.unnamed) ::unlink(staging_.c_str());
}

}  // namespace veil
