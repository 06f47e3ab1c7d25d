// The progress line as a terminal receives it: drawn on a pseudo-terminal
// opened here, read back from its other end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/console_progress.h"

namespace veil::test {
namespace {

using codec::RunStage;

class ConsoleProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    terminal = ::fdopen(::dup(slave), "w");
    ASSERT_NE(terminal, nullptr);
  }
  void TearDown() override {
    if (terminal) std::fclose(terminal);
    ::close(master);
    ::close(slave);
  }
  // What the terminal has shown so far.
  std::string Shown() {
    std::fflush(terminal);
    std::string shown;
    pollfd watched{master, POLLIN, 0};
    while (::poll(&watched, 1, 50) > 0) {
      char block[512];
      const ssize_t n = ::read(master, block, sizeof block);
      if (n <= 0) break;
      shown.append(block, static_cast<std::size_t>(n));
    }
    return shown;
  }
  static std::string Bar(int filled) {
    return "[" + std::string(static_cast<std::size_t>(filled), '#') + std::string(static_cast<std::size_t>(40 - filled), ' ') +
           "]";
  }

  int master = -1, slave = -1;
  std::FILE* terminal = nullptr;
};

TEST_F(ConsoleProgressTest, DrawsTheStageABarAndThePercentOfTheWholeRunOnOneLine) {
  ConsoleProgress progress(terminal, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(320));
  progress.Advanced(RunStage::kCosts, 0.25);
  progress.Advanced(RunStage::kCosts, 0.2501);  // the same tenth of a percent: not drawn again
  progress.Progress(70);                         // a run that tells its stages is shown by them
  progress.Advanced(RunStage::kCode, 0.5);
  progress.Finish();
  const std::string costs = "weighing changes " + Bar(10) + "  25.0%";
  const std::string code = "coding " + Bar(20) + "  50.0%";
  // The shorter line blanks what is left of the longer one.
  EXPECT_EQ(Shown(), "\r" + costs + "\r" + code + std::string(costs.size() - code.size(), ' ') + "\r\n");
}

TEST_F(ConsoleProgressTest, AQuickRunOrAClosedBarDrawsNothing) {
  {
    ConsoleProgress quick(terminal, true);
    quick.Advanced(RunStage::kReading, 0.5);
    quick.Progress(50);
  }
  {
    ConsoleProgress off(terminal, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(320));
    off.Advanced(RunStage::kWriting, 0.9);
    off.Progress(90);
  }
  EXPECT_EQ(Shown(), "");
}

TEST_F(ConsoleProgressTest, ARunThatTellsNoStageKeepsThePercentBar) {
  ConsoleProgress progress(terminal, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(320));
  progress.Progress(50);
  progress.Finish();
  EXPECT_EQ(Shown(), "\r" + Bar(20) + "  50%\r\n");
}

}  // namespace
}  // namespace veil::test
