#include <gtest/gtest.h>

#include <optional>

#include "files/file_in_use.h"
#include "files/numbered_files.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

// A picture opened in a locked mode (flock, or a share mode and LockFileEx
// on Windows): a second holder is refused while the first lives, and the
// holder reads and writes through its own handle.
TEST(FileLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  TempDir dir;
  const std::string path = dir.File("picture.bmp");
  WriteAll(path, RandomBytes(4096, 3));
  {
    NumberedFiles files;
    NumberedFile& held = files.Open(1, path, OpenMode::kLockedReadWrite);
    EXPECT_THROW(OpenSystemFile(path, OpenMode::kLockedReadWrite), FileInUse);
    EXPECT_THROW(OpenSystemFile(path, OpenMode::kLockedRead), FileInUse);
    // Others may still read it.
    EXPECT_NO_THROW(OpenSystemFile(path, OpenMode::kReadOnly));

    const std::uint8_t bytes[3] = {1, 2, 3};
    held.WriteAt(4000, bytes);
    held.Flush();
    EXPECT_EQ(ReadAll(path)[4001], 2);
    files.Close(1);
  }
  EXPECT_NO_THROW(OpenSystemFile(path, OpenMode::kLockedRead));
}

TEST(FileLockTest, MissingFileIsAFailureNotInUse) {
  TempDir dir;
  try {
    OpenSystemFile(dir.File("absent.bmp"), OpenMode::kLockedRead);
    FAIL() << "a missing file was locked";
  } catch (const FileInUse&) {
    FAIL() << "a missing file was reported as in use";
  } catch (const FileFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("absent.bmp"), std::string::npos);
  }
}

}  // namespace
}  // namespace veil::test
