#include <windows.h>

#include <cstdio>
#include <random>

#include "files/file_failure.h"
#include "files/output_file.h"
#include "files/win32/win32_text.h"

namespace veil {
namespace {

// The path a symbolic link or junction ends at, or the path itself.
std::string FollowLinks(const std::string& path) {
  const HANDLE handle = CreateFileW(win32::LongPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring final_path(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(handle, final_path.data(), static_cast<DWORD>(final_path.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(handle);
  if (n == 0 || n >= final_path.size()) return path;
  final_path.resize(n);
  return win32::FromWide(final_path);
}

std::string StagingNameBeside(const std::string& target) {
  const std::size_t slash = target.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", random());
  return folder + "." + name + "." + suffix + ".partial";
}

}  // namespace

OutputFile OutputFile::Open(const std::string& path, const Opener& opener) {
  const DWORD attributes = GetFileAttributesW(win32::LongPath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw FileFailure("cannot write", path, "it is a folder");
  const std::string target =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FollowLinks(path) : path;
  // A device (NUL, a console, a pipe) is written straight through.
  const HANDLE existing =
      CreateFileW(win32::LongPath(target).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    const DWORD type = GetFileType(existing);
    CloseHandle(existing);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE)
      return OutputFile(path, target, {}, opener(target, OpenMode::kWriteStream), Finish{});
  }
  const std::string staging = StagingNameBeside(target);
  try {
    return OutputFile(path, target, staging, opener(staging, OpenMode::kCreateNew), Finish{});
  } catch (const FileFailure& failure) {
    throw FileFailure("cannot create", path, failure.cause());
  }
}

void OutputFile::Commit() {
  if (file_) file_->Sync();
  if (!staging_.empty()) {
    if (!file_) {
      // Closed already: flush through a handle of our own.
      const HANDLE handle = CreateFileW(win32::LongPath(staging_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      const bool flushed = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
      const DWORD error = GetLastError();
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
      if (!flushed) throw FileFailure("cannot flush", path_, win32::SystemMessage(error));
    }
    file_.reset();
    if (!MoveFileExW(win32::LongPath(staging_).c_str(), win32::LongPath(target_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      throw FileFailure("cannot write", path_, win32::SystemMessage(GetLastError()));
  }
  file_.reset();
  committed_ = true;
}

OutputFile::~OutputFile() {
  file_.reset();
  if (!committed_ && !staging_.empty()) DeleteFileW(win32::LongPath(staging_).c_str());
}

}  // namespace veil
