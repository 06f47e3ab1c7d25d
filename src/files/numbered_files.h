#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "files/numbered_file.h"
#include "files/raw_file.h"

namespace veil {

// The program's table of open files, addressed by number (the cover is 1,
// the second file 2).
class NumberedFiles {
 public:
  using Opener = std::function<std::unique_ptr<RawFile>(const std::string& path, OpenMode mode)>;

  NumberedFiles();
  // Tests route every open through their own opener (for instance one that
  // fails after N bytes).
  explicit NumberedFiles(Opener opener);

  // Opens path under number; a file already open under it is closed first.
  NumberedFile& Open(int number, const std::string& path, OpenMode mode);
  NumberedFile& Attach(int number, std::unique_ptr<RawFile> raw, const std::string& name);
  // How this table opens files, for whoever opens related files on its behalf.
  const Opener& opener() const { return opener_; }
  // Throws FileFailure when nothing is open under number.
  NumberedFile& operator[](int number);
  bool IsOpen(int number) const { return files_.count(number) != 0; }
  // Flushes and closes; throws when the flush fails (the file is closed anyway).
  void Close(int number);
  // Closes everything, flushing what it can; never throws.
  void CloseAll() noexcept;
  // Closes everything and drops writes still in the buffers; never throws.
  void DiscardAll() noexcept;

 private:
  Opener opener_;
  std::map<int, std::unique_ptr<NumberedFile>> files_;
};

}  // namespace veil
