// The sealed form's edges from the command line, against real file-system
// objects: a stream output gets nothing of a seal that does not wholly
// open; a staged output is private and has no name until it is complete,
// so a killed extraction leaves nothing; a FIFO is hidden whole; and
// inspect tells the length that the marker gives away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "cli/cli_app.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/runs.h"
#include "files/memory_file.h"
#include "support/cli_runner.h"
#include "support/fault_file.h"
#include "support/fifo_reader.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

// The cheapest costs the format reads: these tests are about what surrounds the seal.
const codec::SealParams kQuick{1, 8, 16};

class CliSealedEdgesTest : public ::testing::Test {
 protected:
  using Result = CliRun;
  Result Run(const std::vector<std::string>& args, int stdout_fd = 1) {
    return RunCliHere(args, [&](cli::CliEnvironment& env) {
      env.stdout_fd = stdout_fd;
      env.opener = FaultyOpener(plan);
    });
  }
  // A picture holding data sealed under "pw".
  static Bytes Sealed(const Bytes& data) {
    const auto key = codec::SealKey::Derive("pw", kQuick);
    const auto sealed = codec::SealedLength(data.size(), kQuick);
    auto picture = std::make_shared<Bytes>(MakeBmp(54 + carrier::BytesNeeded(sealed) + 100));
    MemoryFile picture_file(picture), payload(std::make_shared<Bytes>(data));
    codec::RunObserver quiet;
    EXPECT_TRUE(codec::Embed({picture_file, payload, nullptr, "txt", std::nullopt, &*key}, quiet).ok());
    return *picture;
  }
  std::set<std::string> Names() const {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir.Path())) found.insert(entry.path().filename().string());
    return found;
  }
  static unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  TempDir dir;
  FaultPlan plan;
};

// Two chunks, the second changed after sealing: before, a stream received
// the first chunk's 65,533 bytes and the run then failed.
TEST_F(CliSealedEdgesTest, AStreamGetsNothingOfASealThatDoesNotWhollyOpen) {
  const Bytes data = RandomBytes(70000, 3);
  Bytes picture = Sealed(data);
  const std::string path = dir.File("sealed.bmp"), fifo = dir.File("pipe");
  WriteAll(path, picture);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    FifoReader whole(fifo);
    EXPECT_EQ(Run({"extract", path, "--password", "pw", "--output", fifo}).status, 0);
    EXPECT_EQ(whole.Take(), data);
  }
  const std::uint64_t sealed = U32At(picture, 6) & 0xFFFFFF;
  picture[54 + 12 + (sealed / 3 - 2) * 12] ^= 1;  // a hidden bit in the last chunk
  WriteAll(path, picture);
  {
    FifoReader broken(fifo);
    const Result result = Run({"extract", path, "--password", "pw", "--output", fifo});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("extraction failed"), std::string::npos) << result.err;
    EXPECT_EQ(broken.Take().size(), 0u);
  }
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  ::fcntl(pipe_fds[1], F_SETPIPE_SZ, 1 << 20);  // room for the whole file, had it come
  EXPECT_EQ(Run({"extract", path, "--password", "pw", "--output", "-"}, pipe_fds[1]).status, 1);
  ::close(pipe_fds[1]);
  char byte;
  EXPECT_EQ(::read(pipe_fds[0], &byte, 1), 0) << "standard output got bytes";
  ::close(pipe_fds[0]);
}

// A run that fails before it opens the FIFO leaves its reader no writer:
// the reader must not wait for one.
TEST_F(CliSealedEdgesTest, AFifoReaderIsLetGoWhenTheRunFailsFirst) {
  const std::string path = dir.File("clean.bmp"), fifo = dir.File("pipe");
  WriteAll(path, MakeBmp(54 + 12 + 12 * 100));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  FifoReader reader(fifo);
  EXPECT_EQ(Run({"extract", path, "--output", fifo}).status, 1);
  EXPECT_TRUE(reader.Take().empty());
}

// While the decrypted bytes are written, the staging file has no name (or,
// where the file system keeps no unnamed files, a private one); the output
// takes the usual mode at the commit.
TEST_F(CliSealedEdgesTest, AStagedOutputIsPrivateAndNamelessUntilItIsComplete) {
  const Bytes data = RandomBytes(5000, 4);
  const std::string path = dir.File("sealed.bmp");
  WriteAll(path, Sealed(data));
  const mode_t umask_before = ::umask(027);
  std::vector<std::set<std::string>> seen;
  std::vector<unsigned> staging_modes;
  plan.on_sync = [&](const std::string& synced) {
    seen.push_back(Names());
    staging_modes.push_back(ModeOf(synced));
  };
  ASSERT_EQ(Run({"extract", path, "--password", "pw", "--output", dir.File("out.txt")}).status, 0);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (std::set<std::string>{"sealed.bmp"})) << "the staging file had a name";
  EXPECT_EQ(ModeOf(dir.File("out.txt")), 0640u);
  EXPECT_EQ(ReadAll(dir.File("out.txt")), data);

  plan.refuse_unnamed = true;  // as a file system without O_TMPFILE
  seen.clear();
  staging_modes.clear();
  ASSERT_EQ(Run({"extract", path, "--password", "pw", "--output", dir.File("again.txt")}).status, 0);
  ASSERT_EQ(staging_modes.size(), 1u);
  EXPECT_EQ(staging_modes[0], 0600u) << "the staging file was readable by others";
  EXPECT_EQ(ModeOf(dir.File("again.txt")), 0640u);
  // Replacing a file keeps its mode, through the staging name.
  plan.refuse_unnamed = false;
  ::chmod(dir.File("again.txt").c_str(), 0604);
  ASSERT_EQ(Run({"extract", path, "--password", "pw", "--output", dir.File("again.txt"), "--force"}).status, 0);
  EXPECT_EQ(ModeOf(dir.File("again.txt")), 0604u);
  EXPECT_EQ(ReadAll(dir.File("again.txt")), data);
  EXPECT_EQ(Names(), (std::set<std::string>{"sealed.bmp", "out.txt", "again.txt"}));
  ::umask(umask_before);
}

// The real program, killed at random moments of an extraction: it leaves
// the whole file or nothing, never a staging file.
TEST_F(CliSealedEdgesTest, AnExtractionKilledAtAnyMomentLeavesNothingBehind) {
  const std::string path = dir.File("picture.bmp");
  const Bytes data = RandomBytes(3 << 20, 5);
  WriteAll(path, ReferenceHide(MakeBmp(54 + 12 + 12 * (data.size() / 3)), data, "txt", "", false));
  std::mt19937 random(11);
  for (int attempt = 0; attempt < 12; ++attempt) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(VEILWRIGHT_CLI, VEILWRIGHT_CLI, "extract", path.c_str(), "--output", dir.File("out.txt").c_str(),
              static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    for (const std::string& name : Names()) {
      EXPECT_TRUE(name == "picture.bmp" || name == "out.txt") << "left behind: " << name;
      if (name == "out.txt") {
        EXPECT_EQ(ReadAll(dir.File(name)), data);
      }
    }
    fs::remove(dir.File("out.txt"));
  }
}

// A FIFO or "<(...)" tells its length only at its end: before, it was
// hidden as 0 bytes and the run said it was done.
TEST_F(CliSealedEdgesTest, AFileToHideFromAFifoIsHiddenWhole) {
  const std::string cover = dir.File("cover.bmp"), fifo = dir.File("data.txt");
  const Bytes clean = MakeBmp(54 + 12 + 12 * 3000), data = RandomBytes(7000, 6);
  WriteAll(cover, clean);
  WriteAll(dir.File("source"), data);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    ASSERT_EQ(::write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    ::close(fd);
  });
  const Result hide = Run({"hide", cover, fifo});
  writer.join();
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_NE(hide.out.find("(7000 bytes, stored as .txt)"), std::string::npos) << hide.out;
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).data, data);

  // The same through a shell's process substitution, sealed.
  WriteAll(cover, clean);
  const std::string script = "\"$0\" hide '" + cover + "' <(cat '" + dir.File("source") +
                             "') --seal --password pw --weak-password >/dev/null 2>&1 && \"$0\" extract '" + cover +
                             "' --password pw --output '" + dir.File("back") + "' >/dev/null 2>&1";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/bash", "bash", "-c", script.c_str(), VEILWRIGHT_CLI, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadAll(dir.File("back")), data);

  // More than any picture holds is refused, not cut.
  WriteAll(cover, clean);
  std::thread flood([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    const Bytes block(1 << 20, 7);
    for (int i = 0; i < 17; ++i)
      if (::write(fd, block.data(), block.size()) < 0) break;
    ::close(fd);
  });
  ::signal(SIGPIPE, SIG_IGN);  // the program stops reading at the limit
  const Result too_much = Run({"hide", cover, fifo});
  flood.join();
  EXPECT_EQ(too_much.status, 1);
  EXPECT_NE(too_much.err.find("gives more than 16777215 bytes"), std::string::npos) << too_much.err;
  EXPECT_EQ(ReadAll(cover), clean);
}

// The sealed file's length follows from the marker and the chunk size; a
// cut picture says where it is damaged.
TEST_F(CliSealedEdgesTest, InspectTellsTheSealedLengthOfAWholeAndACutPicture) {
  const std::string path = dir.File("sealed.bmp");
  const Bytes picture = Sealed(RandomBytes(70000, 8));
  WriteAll(path, picture);
  const Result whole = Run({"inspect", path});
  ASSERT_EQ(whole.status, 0);
  EXPECT_NE(whole.out.find("hidden file: sealed (format version 2), 70089 hidden bytes"), std::string::npos)
      << whole.out;
  EXPECT_NE(whole.out.find("file length: 70000 bytes (it follows from the hidden length and the 64 KiB chunks)"),
            std::string::npos)
      << whole.out;
  EXPECT_NE(whole.out.find("key derivation: Argon2id, 1 passes over 8 KiB of memory"), std::string::npos);
  EXPECT_EQ(whole.out.find("damaged"), std::string::npos) << whole.out;

  Bytes cut = picture;
  cut.resize(picture.size() - 500);
  WriteAll(path, cut);
  const Result short_one = Run({"inspect", path});
  EXPECT_EQ(short_one.status, 0);
  EXPECT_NE(short_one.out.find("file length: 70000 bytes"), std::string::npos) << short_one.out;
  EXPECT_NE(short_one.out.find("damaged: the picture ends before the sealed data does"), std::string::npos)
      << short_one.out;

  cut.resize(54 + 12 + 12 * 5);  // not even the seal's header
  WriteAll(path, cut);
  const Result headless = Run({"inspect", path});
  EXPECT_NE(headless.out.find("damaged: the seal's header does not lie inside the picture"), std::string::npos)
      << headless.out;
  EXPECT_EQ(headless.out.find("file length"), std::string::npos);
}

}  // namespace
}  // namespace veil::test
