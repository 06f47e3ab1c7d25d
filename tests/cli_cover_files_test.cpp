// Covers that are no picture file at all: a FIFO, a folder, an empty file,
// a PNG whose signature was damaged on the way. Each is refused at once,
// with what is wrong with it.
#include <fcntl.h>
#include <gtest/gtest.h>
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
  for (const auto& [cover, reason] :
       {std::pair{fifo, "it is a FIFO or pipe, not a regular file"}, std::pair{folder, "it is a folder"}}) {
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

// PngSuite's pictures with a damaged signature, made from its intact ones
// as its README tells: xs1n0g01 to xs7n0g01 change one byte of basn0g01's
// signature, xcrn0g04 and xlfn0g04 are basn0g04 sent through a transfer
// that rewrote line ends.
Bytes Replaced(Bytes bytes, std::uint8_t from, const Bytes& to) {
  Bytes out;
  for (std::uint8_t b : bytes) {
    if (b == from) {
      out.insert(out.end(), to.begin(), to.end());
    } else {
      out.push_back(b);
    }
  }
  return out;
}

TEST_F(CliCoverFilesTest, APngWithADamagedSignatureOrAnEmptyFileIsNamedAsSuch) {
  const std::string suite = std::string(VEILWRIGHT_PNG_DATA) + "/pngsuite/";
  const Bytes g01 = ReadAll(suite + "basn0g01.png"), g04 = ReadAll(suite + "basn0g04.png");
  auto with_byte = [&](std::size_t at, std::uint8_t value) {
    Bytes b = g01;
    b[at] = value;
    return b;
  };
  const struct {
    std::string name;
    Bytes bytes;
    std::string reason;
  } damaged[] = {
      {"xs1n0g01.png", with_byte(0, 0x09), "lost the top bit of its first byte (0x09 for 0x89) (a file sent as text?)"},
      {"xs2n0g01.png", with_byte(1, 'Q'), "has 0x51 at byte 1 where a PNG has 0x50"},
      {"xs4n0g01.png", with_byte(3, 'g'), "has 0x67 at byte 3 where a PNG has 0x47"},
      {"xs7n0g01.png", with_byte(6, ' '), "has 0x20 at byte 6 where a PNG has 0x1A (a file sent as text?)"},
      {"xcrn0g04.png", Replaced(g04, 0x0A, {0x0D, 0x0A}), "has its line-end bytes rewritten (a file sent as text?)"},
      {"xlfn0g04.png", Replaced(g04, 0x0D, {0x0D, 0x0A}), "has its line-end bytes rewritten (a file sent as text?)"},
      {"xcrlf.png", Replaced(Replaced(g04, 0x0A, {}), 0x0D, {0x0A}),
       "has its line-end bytes rewritten (a file sent as text?)"},
  };
  for (const auto& file : damaged) {
    const std::string cover = dir.File(file.name);
    WriteAll(cover, file.bytes);
    for (const auto& command : CommandsOn(cover)) {
      SCOPED_TRACE(command[0] + " " + command.back());
      const CliRun result = RunCliHere(command);
      EXPECT_EQ(result.status, 1);
      const std::string line =
          "veilwright-cli: " + cover + ": the PNG file is damaged: its signature " + file.reason + "\n";
      EXPECT_TRUE(result.err.size() >= line.size() &&
                  result.err.compare(result.err.size() - line.size(), line.size(), line) == 0)
          << result.err;
    }
    EXPECT_EQ(ReadAll(cover), file.bytes);
  }
  const std::string empty_png = dir.File("empty.png"), empty_bmp = dir.File("empty.bmp");
  WriteAll(empty_png, {});
  WriteAll(empty_bmp, {});
  for (const auto& command : CommandsOn(empty_png)) {
    const CliRun result = RunCliHere(command);
    const std::string line = "veilwright-cli: " + empty_png + ": the PNG file is damaged: it is empty (0 bytes)\n";
    EXPECT_TRUE(result.err.size() >= line.size() &&
                result.err.compare(result.err.size() - line.size(), line.size(), line) == 0)
        << result.err;
  }
  EXPECT_EQ(RunCliHere({"inspect", empty_bmp}).err,
            "veilwright-cli: " + empty_bmp + ": the file is empty (0 bytes): it holds no picture\n");
  // An ordinary file that is no picture is still no BMP.
  const std::string text = dir.File("text.png");
  WriteAll(text, Bytes(100, 'a'));
  EXPECT_NE(RunCliHere({"inspect", text}).err.find("BMP"), std::string::npos);
}

}  // namespace
}  // namespace veil::test
