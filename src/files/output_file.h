#pragma once

#include <functional>
#include <memory>
#include <string>

#include "files/raw_file.h"

namespace veil {

// Where a program writes a whole new file (an extracted file, a marked copy
// of a picture), by what the path names:
//  - a regular file, new or existing, is staged beside it and takes its name
//    only once complete and synced, so a failed or killed run never leaves a
//    partial file under its name. The staging file is private to its owner
//    (mode 0600) and, on Linux, has no name at all until the commit
//    (O_TMPFILE), so a killed run leaves nothing behind; where the file
//    system cannot, it has a hidden name beside the target. At the commit it
//    takes the usual mode: an existing file's permission bits, except that
//    the new contents are never marked executable, or a new file's 0666
//    less the umask;
//  - a symbolic link is followed, the staging file goes beside its target,
//    and the link stays;
//  - a FIFO or a character device is written straight through, front to back;
//  - a folder, or anything else, is refused.
// The staging file is removed unless the output is committed.
class OutputFile {
 public:
  using Opener = std::function<std::unique_ptr<RawFile>(const std::string& path, OpenMode mode)>;

  // Throws FileFailure naming path and the reason.
  static OutputFile Open(const std::string& path, const Opener& opener = OpenSystemFile);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  ~OutputFile();

  RawFile& File() { return *file_; }
  // Hands the open file over (to the numbered-file table); Commit and the
  // destructor still do their part afterwards. A staging file without a
  // name takes its staging name first, as the new holder may close it.
  std::unique_ptr<RawFile> TakeFile();
  // True when written straight through (a FIFO, a device).
  bool Direct() const { return staging_.empty(); }
  // The path as given, and the path where the bytes go until Commit.
  const std::string& Path() const { return path_; }
  const std::string& WritePath() const { return staging_.empty() ? target_ : staging_; }

  // Syncs and, for a staged file, renames it onto its target (the file must
  // be closed or still held here). Throws FileFailure.
  void Commit();

 private:
  // What a staged file takes at the commit.
  struct Finish {
    bool unnamed = false;         // the staging file has no name yet
    bool target_existed = false;  // the commit replaces a file
    unsigned mode = 0;            // permission bits
    long owner = -1, group = -1;  // an existing file's, kept when run as root
  };
  OutputFile(std::string path, std::string target, std::string staging, std::unique_ptr<RawFile> file, Finish finish);
  std::string path_;     // as given
  std::string target_;   // with symbolic links followed
  std::string staging_;  // empty when written straight through
  std::unique_ptr<RawFile> file_;
  Finish finish_;
  bool committed_ = false;
};

}  // namespace veil
