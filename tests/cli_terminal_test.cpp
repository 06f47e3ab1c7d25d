// The password prompt on a real pseudo-terminal: whatever stops or ends the
// program while echo is off (Ctrl+C, Ctrl+Z, SIGTERM) leaves the terminal
// echoing again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

class CliTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture = dir.File("picture.bmp");
    data = RandomBytes(3000, 2);
    WriteAll(picture, ReferenceHide(MakeBmp(54 + 12 + 12 * 1000), data, "txt", "ab", true));
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  }
  void TearDown() override {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    ::close(master);
    ::close(slave);
  }
  // The program, with the pseudo-terminal as its controlling terminal.
  void Start() { Start({"extract", picture, "--output", dir.File("out.txt")}); }
  void Start(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(VEILWRIGHT_CLI)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid = ::fork();
    if (pid == 0) {
      ::setsid();
      ::ioctl(slave, TIOCSCTTY, 0);
      ::dup2(slave, 0);
      ::dup2(slave, 1);
      ::dup2(slave, 2);
      ::close(master);
      ::execv(VEILWRIGHT_CLI, argv.data());
      _exit(127);
    }
  }
  // Waits until the terminal has shown text (at most 20 s).
  bool AwaitOutput(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (shown.find(text) != std::string::npos) return true;
      pollfd watched{master, POLLIN, 0};
      if (::poll(&watched, 1, 100) > 0) {
        char block[256];
        const ssize_t n = ::read(master, block, sizeof block);
        if (n > 0) shown.append(block, static_cast<std::size_t>(n));
      }
    }
    return false;
  }
  bool Echoing() const {
    termios now{};
    return ::tcgetattr(slave, &now) == 0 && (now.c_lflag & ECHO) != 0;
  }
  int WaitForEnd() {
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }

  TempDir dir;
  std::string picture, shown;
  Bytes data;
  int master = -1, slave = -1;
  pid_t pid = -1;
};

TEST_F(CliTerminalTest, CtrlCAtThePromptLeavesTheTerminalEchoing) {
  ASSERT_TRUE(Echoing());
  Start();
  ASSERT_TRUE(AwaitOutput("Password for"));
  EXPECT_FALSE(Echoing()) << "the prompt did not hide the password";
  ASSERT_EQ(::write(master, "\x03", 1), 1);
  const int status = WaitForEnd();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_TRUE(Echoing()) << "Ctrl+C left echo off";
}

TEST_F(CliTerminalTest, SigtermAtThePromptLeavesTheTerminalEchoing) {
  Start();
  ASSERT_TRUE(AwaitOutput("Password for"));
  EXPECT_FALSE(Echoing());
  ::kill(pid, SIGTERM);
  const int status = WaitForEnd();
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(Echoing()) << "SIGTERM left echo off";
}

// The program is the only one of its session here, so the stop itself is
// not carried out (an orphaned process group is not stopped by the
// terminal); what it must do around it still shows: the echo comes back,
// and the prompt is asked afresh with echo off.
TEST_F(CliTerminalTest, CtrlZAtThePromptGivesTheTerminalBackAndAsksAgain) {
  Start();
  ASSERT_TRUE(AwaitOutput("Password for"));
  ASSERT_EQ(::write(master, "xy\x1A", 3), 3);  // half a password, then Ctrl+Z
  shown.clear();
  ASSERT_TRUE(AwaitOutput("Password for")) << "the prompt was not asked again";
  EXPECT_FALSE(Echoing());
  ASSERT_EQ(::write(master, "ab\n", 3), 3);
  const int status = WaitForEnd();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << shown;
  EXPECT_TRUE(Echoing());
  EXPECT_EQ(ReadAll(dir.File("out.txt")), data);
}

// The percents a progress line showed, in order.
std::vector<double> ShownPercents(const std::string& shown) {
  std::vector<double> percents;
  static const std::regex kPercent(R"(([0-9]+\.[0-9])%)");
  for (std::sregex_iterator it(shown.begin(), shown.end(), kPercent), end; it != end; ++it)
    percents.push_back(std::stod((*it)[1].str()));
  return percents;
}

// A hide long enough to watch (its key derivation alone takes most of a
// second) draws the stage it is in, a bar and the whole run's percent,
// going only forward to 100, on one line that ends when the run does.
TEST_F(CliTerminalTest, HidesShowTheirStagesAndPercentOnTheTerminal) {
  const std::string cover = dir.File("cover.bmp"), secret = dir.File("secret.bin");
  WriteAll(cover, MakeBmp(54 + 3 * 256 * 192));
  WriteAll(secret, RandomBytes(200, 3));
  const std::string password = "quartz violin harbour meadow lantern";
  for (const std::string form : {"--stealth", "--seal"}) {
    SCOPED_TRACE(form);
    shown.clear();
    Start({"hide", cover, secret, form, "--password", password, "--output", dir.File("copy" + form + ".bmp")});
    ASSERT_TRUE(AwaitOutput(": hid ")) << shown;
    EXPECT_TRUE(WIFEXITED(WaitForEnd()));
    EXPECT_NE(shown.find("\rderiving the key ["), std::string::npos) << shown;
    EXPECT_NE(shown.find("\rwriting ["), std::string::npos) << shown;
    EXPECT_LT(shown.find("deriving the key ["), shown.rfind("writing [")) << shown;
    const auto percents = ShownPercents(shown);
    ASSERT_FALSE(percents.empty()) << shown;
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << shown;
    EXPECT_EQ(percents.back(), 100.0) << shown;
    // The line ends before the command's own words.
    EXPECT_LT(shown.rfind("100.0%"), shown.find(": hid ")) << shown;
    const std::size_t end = shown.find_first_not_of(' ', shown.rfind("100.0%") + 6);
    EXPECT_EQ(shown.substr(end, 2), "\r\n") << shown;
  }
}

}  // namespace
}  // namespace veil::test
