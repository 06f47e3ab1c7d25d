#include <gtest/gtest.h>

#include <optional>

#include "platform/file_lock.h"
#include "platform/numbered_files.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

// The system's own lock (flock, or LockFileEx on Windows): a second holder is
// refused while the first lives, and the lock must not stop the holder's own
// reads and writes of the picture.
TEST(FileLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  TempDir dir;
  const std::string path = dir.File("picture.bmp");
  WriteAll(path, RandomBytes(4096, 3));
  {
    std::optional<FileLock> held(FileLock::Exclusive(path));
    EXPECT_THROW(FileLock::Exclusive(path), FileInUse);

    NumberedFiles files;
    NumberedFile& file = files.Open(1, path, OpenMode::kReadWriteExisting);
    const std::uint8_t bytes[3] = {1, 2, 3};
    file.WriteAt(4000, bytes);
    files.Close(1);
    EXPECT_EQ(ReadAll(path)[4001], 2);

    FileLock moved(std::move(*held));
    held.reset();  // the moved-from lock releases nothing
    EXPECT_THROW(FileLock::Exclusive(path), FileInUse);
  }
  EXPECT_NO_THROW(FileLock::Exclusive(path));
}

TEST(FileLockTest, MissingFileIsAFailureNotInUse) {
  TempDir dir;
  try {
    FileLock::Exclusive(dir.File("absent.bmp"));
    FAIL() << "a missing file was locked";
  } catch (const FileInUse&) {
    FAIL() << "a missing file was reported as in use";
  } catch (const FileFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("absent.bmp"), std::string::npos);
  }
}

}  // namespace
}  // namespace veil::test
