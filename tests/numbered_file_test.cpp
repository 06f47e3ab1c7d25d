#include <gtest/gtest.h>

#include <random>

#include "files/file_failure.h"
#include "files/numbered_files.h"
#include "support/fault_file.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

class NumberedFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  FaultPlan plan;
  NumberedFiles files{FaultyOpener(plan)};
};

TEST_F(NumberedFileTest, SmallReadThenWriteAtTheSamePlaceCostsNoSystemCalls) {
  const std::string path = dir.File("cover.bin");
  WriteAll(path, RandomBytes(1 << 20, 1));
  NumberedFile& file = files.Open(1, path, OpenMode::kReadWriteExisting);
  std::uint8_t group[12];
  for (std::uint64_t at = 100; at < 100 + 12 * 4000; at += 12) {
    file.ReadAt(at, group);
    group[0] ^= 1;
    file.WriteAt(at, group);
  }
  // 48,000 bytes in a 64 KiB window: one load, no writes until the flush.
  EXPECT_EQ(plan.reads, 1u);
  EXPECT_EQ(plan.writes, 0u);
  files.Close(1);
  EXPECT_EQ(plan.writes, 1u);
  const Bytes after = ReadAll(path);
  Bytes expected = RandomBytes(1 << 20, 1);
  for (std::size_t at = 100; at < 100 + 12 * 4000; at += 12) expected[at] ^= 1;
  EXPECT_EQ(after, expected);
}

// A write too large for the buffer goes straight to the file: bytes the
// buffer had loaded where it lands must not be served afterwards, whether the
// write starts inside the loaded bytes and runs beyond them or covers them.
TEST_F(NumberedFileTest, ALargeWriteIsSeenByTheReadsAfterIt) {
  const std::string path = dir.File("large.bin");
  for (const auto& [length, load_at, write_at, write_size] :
       std::vector<std::tuple<std::size_t, std::uint64_t, std::uint64_t, std::size_t>>{
           {300000, 100, 50000, 100000},   // starts inside the loaded window, ends beyond it
           {1000, 10, 500, 50000},         // a short file: the write runs past its end
           {300000, 70000, 60000, 40000},  // starts before the window, covers it
       }) {
    Bytes model = RandomBytes(length, 8);
    WriteAll(path, model);
    NumberedFile& file = files.Open(1, path, OpenMode::kReadWriteExisting);
    std::uint8_t small[12];
    file.ReadAt(load_at, small);
    const Bytes big(write_size, 0xAB);
    file.WriteAt(write_at, big);
    if (model.size() < write_at + write_size) model.resize(write_at + write_size);
    std::copy(big.begin(), big.end(), model.begin() + static_cast<std::ptrdiff_t>(write_at));
    for (std::uint64_t at : {write_at, write_at + 11, load_at, write_at + write_size - 12}) {
      file.ReadAt(at, small);
      ASSERT_TRUE(std::equal(small, small + 12, model.begin() + static_cast<std::ptrdiff_t>(at)))
          << "stale bytes at " << at << " after a write of " << write_size << " at " << write_at;
    }
    files.Close(1);
    EXPECT_EQ(ReadAll(path), model);
  }
}

// Random reads and writes of every size, checked against a plain in-memory
// model of the file: the buffer must never serve stale or lost bytes.
TEST_F(NumberedFileTest, BufferedAccessAgreesWithAPlainModel) {
  const std::string path = dir.File("model.bin");
  Bytes model = RandomBytes(300000, 2);
  WriteAll(path, model);
  NumberedFile& file = files.Open(1, path, OpenMode::kReadWriteExisting);
  std::mt19937 random(3);
  for (int step = 0; step < 3000; ++step) {
    const std::size_t size = (random() % 4 == 0) ? random() % 100000 : random() % 40;
    const std::size_t at = random() % (model.size() + 50);
    if (random() % 2) {
      Bytes chunk = RandomBytes(size, static_cast<std::uint32_t>(step));
      file.WriteAt(at, chunk);
      if (at + size > model.size()) model.resize(at + size);
      std::copy(chunk.begin(), chunk.end(), model.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (at + size <= model.size()) {
      Bytes chunk(size);
      file.ReadAt(at, chunk);
      ASSERT_TRUE(std::equal(chunk.begin(), chunk.end(), model.begin() + static_cast<std::ptrdiff_t>(at)))
          << "step " << step << " at " << at << " size " << size;
    } else {
      Bytes chunk(size);
      ASSERT_THROW(file.ReadAt(at, chunk), EndOfFile);
    }
    ASSERT_EQ(file.Length(), model.size());
  }
  files.Close(1);
  EXPECT_EQ(ReadAll(path), model);
}

TEST_F(NumberedFileTest, OpeningFailuresNameTheFileAndCreateNothing) {
  const std::string missing = dir.File("missing.bmp");
  try {
    files.Open(1, missing, OpenMode::kReadWriteExisting);
    FAIL() << "opened a missing file";
  } catch (const FileFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find(missing), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_THROW(files.Open(1, dir.Path().string(), OpenMode::kReadOnly), FileFailure);
  EXPECT_THROW(files[2], FileFailure);
}

TEST_F(NumberedFileTest, AFailingFlushIsReportedByCloseAndCloseAllNeverThrows) {
  const std::string path = dir.File("out.bin");
  plan.fail_writes_after_bytes = 0;
  NumberedFile& file = files.Open(2, path, OpenMode::kCreateTruncate);
  std::uint8_t bytes[3] = {1, 2, 3};
  file.Write(bytes);
  EXPECT_THROW(files.Close(2), FileFailure);
  EXPECT_FALSE(files.IsOpen(2));
  files.Open(2, path, OpenMode::kReadWrite).Write(bytes);
  EXPECT_NO_THROW(files.CloseAll());
}

}  // namespace
}  // namespace veil::test
