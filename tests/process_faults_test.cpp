// Real faults on real files and processes: a second program on the same
// picture, outputs that cannot grow, and a hiding killed at random moments.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "cli/cli_app.h"
#include "files/raw_file.h"
#include "support/reference_carrier.h"
#include "support/window_fixture.h"

namespace veil::test {
namespace {

struct CliResult {
  int status;
  std::string err;
};

CliResult RunInProcess(std::vector<std::string> args, int stdout_fd = 1) {
  std::ostringstream out, err;
  cli::CliEnvironment env{out, err};
  env.stdout_fd = stdout_fd;
  env.read_secret = [](const std::string&) { return std::nullopt; };
  return {cli::RunCli(args, env), err.str()};
}

// Starts the command-line program; before exec, the child applies limit.
pid_t StartCli(const std::vector<std::string>& args, std::function<void()> limit = {}) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (limit) limit();
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(VEILWRIGHT_CLI)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(VEILWRIGHT_CLI, argv.data());
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class ProcessFaultsTest : public ::testing::Test {
 protected:
  std::string Picture(std::size_t groups, bool marked) {
    const std::string path = dir.File("picture.bmp");
    clean = MakeBmp(54 + 12 + 12 * groups);
    data = RandomBytes(groups * 3, 9);
    WriteAll(dir.File("data.txt"), data);
    WriteAll(path, marked ? ReferenceHide(clean, data, "txt", "", false) : clean);
    return path;
  }
  TempDir dir;
  Bytes clean, data;
};

TEST_F(ProcessFaultsTest, ASecondProgramOnTheSamePictureIsTurnedAway) {
  const std::string picture = Picture(1000, false);
  {
    const auto held = OpenSystemFile(picture, OpenMode::kLockedRead);
    for (auto args :
         std::vector<std::vector<std::string>>{{"hide", picture, dir.File("data.txt")}, {"clear", picture}}) {
      const CliResult result = RunInProcess(args);
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.err,
                "veilwright-cli: " + picture + " is in use by another program; try again when it is done\n");
    }
    EXPECT_EQ(ReadAll(picture), clean);
  }
  ASSERT_EQ(RunInProcess({"hide", picture, dir.File("data.txt")}).status, 0);
  {
    const auto held = OpenSystemFile(picture, OpenMode::kLockedRead);
    EXPECT_EQ(RunInProcess({"extract", picture, "--output-dir", dir.Path().string(), "--clear"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("output.txt")));
    EXPECT_NE(U32At(ReadAll(picture), 6), 0u);
  }
}

class WindowLockTest : public WindowFixture {};

TEST_F(WindowLockTest, TheWindowTurnsAwayAPictureInUse) {
  Load();
  const std::string picture = dir.File("p.bmp");
  const Bytes marked = ReferenceHide(MakeBmp(2000), RandomBytes(30, 1), "txt", "", false);
  WriteAll(picture, marked);
  OpenCover(picture);
  const auto held = OpenSystemFile(picture, OpenMode::kLockedRead);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"图片正在被其他程序使用，请稍后再试！", "错误", 16}}));
  EXPECT_EQ(ReadAll(picture), marked);
}

TEST_F(ProcessFaultsTest, OutputsThatCannotGrowFailCleanly) {
  const std::string picture = Picture(3000, true);
  const int full = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  const CliResult to_full = RunInProcess({"extract", picture, "--output", "-"}, full);
  ::close(full);
  EXPECT_EQ(to_full.status, 1);
  EXPECT_NE(to_full.err.find("No space left on device"), std::string::npos) << to_full.err;

  // A file-size limit below the hidden file's size.
  const pid_t pid = StartCli({"extract", picture, "--output-dir", dir.Path().string()}, [] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4000, 4000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(Wait(pid), 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "partial output left";

  const CliResult vanished = RunInProcess({"extract", picture, "--output-dir", dir.File("gone")});
  EXPECT_EQ(vanished.status, 1);
  EXPECT_NE(vanished.err.find("gone"), std::string::npos);
  EXPECT_EQ(ReadAll(picture), ReferenceHide(clean, data, "txt", "", false));
}

// Permissions the program must respect. Tests run as root in CI, and root
// writes anywhere, so the program runs as an unprivileged user there.
TEST_F(ProcessFaultsTest, ReadOnlyCoverAndReadOnlyOutputFolder) {
  const std::string picture = Picture(2000, false);
  ::chmod(picture.c_str(), 0444);
  const auto as_plain_user = [] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(126);
  };
  EXPECT_EQ(Wait(StartCli({"hide", picture, dir.File("data.txt")}, as_plain_user)), 1);
  EXPECT_EQ(ReadAll(picture), clean);

  ::chmod(picture.c_str(), 0644);
  WriteAll(picture, ReferenceHide(clean, data, "txt", "", false));
  const std::string folder = dir.File("locked");
  std::filesystem::create_directory(folder);
  ::chmod(folder.c_str(), 0555);
  EXPECT_EQ(Wait(StartCli({"extract", picture, "--output-dir", folder}, as_plain_user)), 1);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  EXPECT_EQ(Wait(StartCli({"extract", picture, "--output", "-"}, as_plain_user)), 0);
}

// A hiding killed at any moment leaves a picture that reads as clean or holds
// the complete file: never one that claims a file it does not hold.
TEST_F(ProcessFaultsTest, AHidingKilledAtAnyMomentNeverLeavesAFalseClaim) {
  const std::string picture = Picture(400000, false);  // 4.8 MB of pixels, 1.2 MB hidden
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(StartCli({"hide", picture, dir.File("data.txt")})), 0);
  const auto full_run = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const Bytes complete = ReadAll(picture);
  ASSERT_EQ(complete, ReferenceHide(clean, data, "txt", "", false));

  std::mt19937 random(2024);
  int clean_after_kill = 0, complete_after_kill = 0, finished = 0;
  const int kills = 200;
  for (int round = 0; round < kills; ++round) {
    WriteAll(picture, clean);
    const pid_t pid = StartCli({"hide", picture, dir.File("data.txt")});
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (full_run.count() + 1)));
    ::kill(pid, SIGKILL);
    const int status = Wait(pid);
    const Bytes after = ReadAll(picture);
    if (U32At(after, 6) == 0) {
      ++clean_after_kill;
      for (std::size_t i = 0; i < 54; ++i) ASSERT_EQ(after[i], clean[i]) << "round " << round;
    } else {
      ASSERT_EQ(after, complete) << "round " << round << ": the picture claims a file it does not hold";
      (status == 0 ? finished : complete_after_kill)++;
    }
  }
  std::cout << "[ kills ] " << kills << " kill points over " << full_run.count() << " us: " << clean_after_kill
            << " left the picture clean, " << complete_after_kill << " came after the marker, " << finished
            << " runs had finished\n";
  EXPECT_GT(clean_after_kill, 0);
}

}  // namespace
}  // namespace veil::test
