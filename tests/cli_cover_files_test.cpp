// Covers that are no picture file at all: a FIFO, a folder, an empty file,
// a PNG whose signature was damaged on the way. Each is refused at once,
// with what is wrong with it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "support/cli_runner.h"
#include "support/png_test_files.h"

namespace veil::test {
namespace {

class CliCoverFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    payload = dir.File("notes.txt");
    WriteAll(payload, RandomBytes(100, 3));
  }
  // Every command that reads a cover, in each form.
  std::vector<std::vector<std::string>> CommandsOn(const std::string& cover) const {
    return {{"inspect", cover},
            {"hide", cover, payload, "--password", "pw", "--output", dir.File("out.bmp")},
            {"hide", cover, payload, "--stealth", "--password", "pw", "--output", dir.File("out.png")},
            {"hide", cover, payload, "--password", "pw"},
            {"extract", cover, "--password", "pw", "--output", dir.File("back.txt")},
            {"extract", cover, "--stealth", "--password", "pw", "--output", dir.File("back.txt")}};
  }
  TempDir dir;
  std::string payload;
};

TEST_F(CliCoverFilesTest, AFifoOrAFolderIsRefusedAtOnce) {
  const std::string fifo = dir.File("cover.png");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.File("cover.bmp");
  std::filesystem::create_directory(folder);
  for (const auto& [cover, reason] : {std::pair{fifo, "it is a FIFO or pipe, not a regular file"},
                                      std::pair{folder, "it is a folder"}}) {
    for (const auto& command : CommandsOn(cover)) {
      SCOPED_TRACE(command[0] + " " + command.back());
      auto run = std::async(std::launch::async, [&] { return RunCliHere(command); });
      if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A reader stuck opening the FIFO: give it a writer that closes at once.
        const int end = ::open(fifo.c_str(), O_RDWR);
        ::close(end);
        ADD_FAILURE() << "the command waited for the FIFO";
      }
      const CliRun result = run.get();
      EXPECT_EQ(result.status, 1);
      EXPECT_NE(result.err.find(cover + ": " + reason), std::string::npos) << result.err;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")) || std::filesystem::exists(dir.File("out.png")) ||
               std::filesystem::exists(dir.File("back.txt")));
}

}  // namespace
}  // namespace veil::test
