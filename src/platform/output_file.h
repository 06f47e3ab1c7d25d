#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/raw_file.h"

namespace veil {

// Where a program writes a whole new file (an extracted file, a marked copy
// of a picture), by what the path names:
//  - a regular file, new or existing, is written under a staging name beside
//    it and renamed onto it only once complete and synced, so a failed or
//    killed run never leaves a partial file under its name; an existing
//    file's permission bits are kept, except that the new contents are never
//    marked executable;
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
  // destructor still do their part afterwards.
  std::unique_ptr<RawFile> TakeFile() { return std::move(file_); }
  // True when written straight through (a FIFO, a device).
  bool Direct() const { return staging_.empty(); }
  // The path as given, and the path where the bytes go until Commit.
  const std::string& Path() const { return path_; }
  const std::string& WritePath() const { return staging_.empty() ? target_ : staging_; }

  // Syncs and, for a staged file, renames it onto its target (the file must
  // be closed or still held here). Throws FileFailure.
  void Commit();

 private:
  OutputFile(std::string path, std::string target, std::string staging, std::unique_ptr<RawFile> file);
  std::string path_;     // as given
  std::string target_;   // with symbolic links followed
  std::string staging_;  // empty when written straight through
  std::unique_ptr<RawFile> file_;
  bool committed_ = false;
};

}  // namespace veil
