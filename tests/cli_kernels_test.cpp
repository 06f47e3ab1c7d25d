// The command-line program under every group kernel this processor can run,
// each forced through VEILWRIGHT_KERNEL, against the independent reference;
// and the variable's refusal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "codec/kernels/group_kernel.h"
#include "codec/kernels/kernel_dispatch.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

struct Outcome {
  int status;
  std::string err;
};

// Runs the program with VEILWRIGHT_KERNEL set to kernel (unset when empty).
Outcome RunCli(const std::string& kernel, const std::vector<std::string>& args) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return {-1, "no pipe"};
  const pid_t pid = fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    ::dup2(pipe_fds[1], 2);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    if (kernel.empty())
      ::unsetenv("VEILWRIGHT_KERNEL");
    else
      ::setenv("VEILWRIGHT_KERNEL", kernel.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(VEILWRIGHT_CLI)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(VEILWRIGHT_CLI, argv.data());
    _exit(127);
  }
  ::close(pipe_fds[1]);
  std::string err;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
    err.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

std::set<std::string> EveryKernel() {
  std::set<std::string> names;
  for (const PlaceKernel& kernel : PlaceKernels()) names.insert(kernel.name);
  for (const GatherKernel& kernel : GatherKernels()) names.insert(kernel.name);
  return names;
}

class CliKernelsTest : public ::testing::Test {
 protected:
  TempDir dir;
};

// Hiding in place, hiding into a copy and extracting, each under one forced
// kernel: the pictures must equal the reference's, the file must come back.
TEST_F(CliKernelsTest, EveryKernelRoundTripsThroughTheProgram) {
  const std::size_t groups = 70001;  // more than one stretch, and a partial group at the end
  const Bytes clean = MakeBmp(54 + 12 + 12 * groups);
  const Bytes data = RandomBytes(3 * (groups - 1) - 1, 41);
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("data.bin");
  WriteAll(cover, clean);
  WriteAll(payload, data);
  const Bytes expected = ReferenceHide(clean, data, "bin", "", false);
  const std::set<std::string> kernels = EveryKernel();
  ASSERT_TRUE(kernels.count("portable"));
  for (const std::string& kernel : kernels) {
    SCOPED_TRACE("VEILWRIGHT_KERNEL=" + kernel);
    const std::string work = dir.File(kernel + ".bmp"), copy = dir.File(kernel + "-copy.bmp"),
                      out = dir.File(kernel + ".out");
    WriteAll(work, clean);
    Outcome run = RunCli(kernel, {"hide", work, payload});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadAll(work) == expected) << "hiding in place";
    run = RunCli(kernel, {"hide", cover, payload, "--output", copy});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadAll(copy) == expected) << "hiding into a copy";
    run = RunCli(kernel, {"extract", work, "--output", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadAll(out) == data) << "extracting";
  }
  EXPECT_EQ(ReadAll(cover), clean);
}

TEST_F(CliKernelsTest, AnUnknownKernelIsRefusedBeforeAnythingChanges) {
  const Bytes clean = MakeBmp(54 + 12 + 12 * 100);
  const std::string cover = dir.File("cover.bmp"), payload = dir.File("data.bin");
  WriteAll(cover, clean);
  WriteAll(payload, RandomBytes(30, 3));
  const Outcome run = RunCli("avx512", {"hide", cover, payload});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "veilwright-cli: VEILWRIGHT_KERNEL=\"avx512\": no kernel is named \"avx512\" (the kernels: portable, "
            "avx2, bmi2)\n");
  EXPECT_EQ(ReadAll(cover), clean);
  const Outcome malformed = RunCli("place:", {"inspect", cover});
  EXPECT_EQ(malformed.status, 2);
  EXPECT_NE(malformed.err.find("expected one kernel name"), std::string::npos) << malformed.err;
  EXPECT_EQ(RunCli("", {"inspect", cover}).status, 0);
}

// A request reaches the dispatcher: in a child process, each forced name is
// the one each operation uses, and nothing is timed.
TEST_F(CliKernelsTest, TheVariableForcesTheDispatchersChoice) {
  auto choice_in_child = [](const std::string& text, const std::string& place, const std::string& gather) {
    const pid_t pid = fork();
    if (pid == 0) {
      RequestKernels(text);
      const KernelChoice& p = PlaceChoice();
      const KernelChoice& g = GatherChoice();
      const bool place_ok = place.empty() ? !p.forced && !p.nanoseconds.empty() : p.forced && p.name == place;
      const bool gather_ok = gather.empty() ? !g.forced && !g.nanoseconds.empty() : g.forced && g.name == gather;
      _exit(place_ok && gather_ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  for (const PlaceKernel& kernel : PlaceKernels())
    EXPECT_TRUE(choice_in_child(std::string("place:") + kernel.name, kernel.name, "")) << kernel.name;
  for (const GatherKernel& kernel : GatherKernels())
    EXPECT_TRUE(choice_in_child(std::string("gather:") + kernel.name, "", kernel.name)) << kernel.name;
  EXPECT_TRUE(choice_in_child("portable", "portable", "portable"));
  EXPECT_TRUE(choice_in_child("nonsense", "", "")) << "an unusable text is ignored by the codec";
}

}  // namespace
}  // namespace veil::test
