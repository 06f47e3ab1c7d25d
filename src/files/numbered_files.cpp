#include "files/numbered_files.h"

#include "files/file_failure.h"

namespace veil {

NumberedFiles::NumberedFiles() : NumberedFiles(&OpenSystemFile) {}

NumberedFiles::NumberedFiles(Opener opener) : opener_(std::move(opener)) {}

NumberedFile& NumberedFiles::Open(int number, const std::string& path, OpenMode mode) {
  return Attach(number, opener_(path, mode), path);
}

NumberedFile& NumberedFiles::Attach(int number, std::unique_ptr<RawFile> raw, const std::string& name) {
  if (IsOpen(number)) Close(number);
  auto file = std::make_unique<NumberedFile>(std::move(raw), name);
  NumberedFile& ref = *file;
  files_[number] = std::move(file);
  return ref;
}

NumberedFile& NumberedFiles::operator[](int number) {
  auto it = files_.find(number);
  if (it == files_.end()) throw FileFailure("no file is open under number " + std::to_string(number));
  return *it->second;
}

void NumberedFiles::Close(int number) {
  auto it = files_.find(number);
  if (it == files_.end()) return;
  std::unique_ptr<NumberedFile> file = std::move(it->second);
  files_.erase(it);
  file->Flush();
}

void NumberedFiles::CloseAll() noexcept {
  while (!files_.empty()) {
    try {
      Close(files_.begin()->first);
    } catch (const FileFailure&) {
    }
  }
}

void NumberedFiles::DiscardAll() noexcept {
  for (auto& [number, file] : files_) file->Discard();
  files_.clear();
}

}  // namespace veil
