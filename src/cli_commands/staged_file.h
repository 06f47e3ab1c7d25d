#pragma once

#include <string>

namespace veil::cli {

// A file written under a temporary name beside its destination and renamed
// onto it only when complete, so that a failed or killed run never leaves a
// partial file under the destination's name. Removed unless committed.
class StagedFile {
 public:
  // A new, empty staging file for destination.
  static StagedFile For(const std::string& destination);
  // A staging file that starts as a copy of source.
  static StagedFile CopyOf(const std::string& source, const std::string& destination);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  ~StagedFile();

  const std::string& Path() const { return staging_; }
  // Renames the staging file onto the destination; throws CliFailure.
  void Commit();

 private:
  StagedFile(std::string staging, std::string destination);
  std::string staging_;
  std::string destination_;
  bool committed_ = false;
};

bool SameFile(const std::string& a, const std::string& b);
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

}  // namespace veil::cli
