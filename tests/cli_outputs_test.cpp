// The command-line program against real file-system objects as outputs: a
// FIFO with a reader, symbolic links, character devices of the test's own,
// folders; and the order in which an output is made durable.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <sstream>

#include "cli/cli_app.h"
#include "support/cli_runner.h"
#include "support/fault_file.h"
#include "support/fifo_reader.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

class CliOutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture = dir.File("picture.bmp");
    clean = MakeBmp(54 + 12 + 12 * 2000);
    data = RandomBytes(6000, 12);
    WriteAll(picture, ReferenceHide(clean, data, "txt", "", false));
  }

  using Result = CliRun;
  Result Run(const std::vector<std::string>& args) {
    return RunCliHere(args, [&](cli::CliEnvironment& env) { env.opener = FaultyOpener(plan); });
  }
  static bool Is(const std::string& path, mode_t type) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
  }
  // Nothing but these names is left in the test's folder.
  void ExpectOnly(std::set<std::string> names) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir.Path())) found.insert(entry.path().filename().string());
    EXPECT_EQ(found, names);
  }

  TempDir dir;
  FaultPlan plan;
  std::string picture;
  Bytes clean, data;
};

TEST_F(CliOutputsTest, AFifoIsWrittenThroughToItsReader) {
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  FifoReader received(fifo);
  const Result result = Run({"extract", picture, "--output", fifo});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(received.Take(), data);
  EXPECT_TRUE(Is(fifo, S_IFIFO));

  // A marked copy streams through in one pass too; the picture stays as it was.
  WriteAll(picture, clean);
  WriteAll(dir.File("data.txt"), data);
  FifoReader copy(fifo);
  EXPECT_EQ(Run({"hide", picture, dir.File("data.txt"), "--output", fifo}).status, 0);
  EXPECT_EQ(copy.Take(), ReferenceHide(clean, data, "txt", "", false));
  EXPECT_EQ(ReadAll(picture), clean);
  ExpectOnly({"picture.bmp", "pipe", "data.txt"});
}

TEST_F(CliOutputsTest, SymbolicLinksAreFollowedAndKept) {
  const std::string target = dir.File("real.txt"), link = dir.File("link.txt");
  WriteAll(target, {1, 2, 3});
  ::chmod(target.c_str(), 0640);
  fs::create_symlink("real.txt", link);
  EXPECT_EQ(Run({"extract", picture, "--output", link, "--force"}).status, 0);
  EXPECT_TRUE(Is(link, S_IFLNK));
  EXPECT_EQ(fs::read_symlink(link), "real.txt");
  EXPECT_EQ(ReadAll(target), data);
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));

  // A link to nothing yet makes its target.
  fs::create_symlink("made.txt", dir.File("dangling.txt"));
  EXPECT_EQ(Run({"extract", picture, "--output", dir.File("dangling.txt")}).status, 0);
  EXPECT_EQ(ReadAll(dir.File("made.txt")), data);
  ExpectOnly({"picture.bmp", "real.txt", "link.txt", "made.txt", "dangling.txt"});
}

TEST_F(CliOutputsTest, AnExistingFileKeepsItsPermissionsButIsNeverExecutable) {
  const std::string output = dir.File("out.sh");
  WriteAll(output, {9});
  ::chmod(output.c_str(), 0754);
  EXPECT_EQ(Run({"extract", picture, "--output", output, "--force"}).status, 0);
  EXPECT_EQ(ReadAll(output), data);
  EXPECT_EQ(fs::status(output).permissions() & fs::perms::all, fs::perms(0644));
}

TEST_F(CliOutputsTest, AFolderIsRefused) {
  const std::string folder = dir.File("folder");
  fs::create_directory(folder);
  const Result result = Run({"extract", picture, "--output", folder});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "veilwright-cli: --output " + folder +
                            " is a folder; to write the file into it, give --output-dir " + folder + "\n");
  EXPECT_TRUE(fs::is_empty(folder));
  ExpectOnly({"picture.bmp", "folder"});
}

// Device nodes of the test's own, made with mknod in its folder (never a
// path under /dev): written straight through, never replaced.
TEST_F(CliOutputsTest, CharacterDevicesAreWrittenThroughNeverReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
  const std::string null = dir.File("null"), full = dir.File("full");
  ASSERT_EQ(::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
  ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)), 0);
  ::chmod(null.c_str(), 0666);  // whatever the umask took away
  ::chmod(full.c_str(), 0666);
  EXPECT_EQ(Run({"extract", picture, "--output", null}).status, 0);
  EXPECT_TRUE(Is(null, S_IFCHR));
  const Result to_full = Run({"extract", picture, "--output", full});
  EXPECT_EQ(to_full.status, 1);
  EXPECT_NE(to_full.err.find("No space left on device"), std::string::npos) << to_full.err;
  EXPECT_TRUE(Is(full, S_IFCHR));

  // A user who cannot create files beside the device still writes to it.
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(126);
    const Result result = Run({"extract", picture, "--output", null});
    if (result.status != 0) std::fprintf(stderr, "as a plain user: %s", result.err.c_str());
    _exit(result.status);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ExpectOnly({"picture.bmp", "null", "full"});
}

// A new name appears only for a complete, durable file: the staging file is
// synced before it is renamed onto the output's name.
TEST_F(CliOutputsTest, OutputsAreSyncedBeforeTheyTakeTheirName) {
  std::vector<std::string> synced_while_absent;
  std::string watched;
  plan.on_sync = [&](const std::string& path) {
    if (!fs::exists(watched)) synced_while_absent.push_back(path);
  };
  watched = dir.File("new.txt");
  ASSERT_EQ(Run({"extract", picture, "--output", watched}).status, 0);
  ASSERT_EQ(synced_while_absent.size(), 1u);
  EXPECT_NE(synced_while_absent[0].find(".new.txt."), std::string::npos) << synced_while_absent[0];

  WriteAll(picture, clean);
  WriteAll(dir.File("data.txt"), data);
  synced_while_absent.clear();
  watched = dir.File("copy.bmp");
  ASSERT_EQ(Run({"hide", picture, dir.File("data.txt"), "--output", watched}).status, 0);
  EXPECT_EQ(synced_while_absent.size(), 1u);
  EXPECT_EQ(ReadAll(watched), ReferenceHide(clean, data, "txt", "", false));
}

TEST_F(CliOutputsTest, InspectSaysWhenAPictureIsDamaged) {
  // A whole picture whose marker promises more than it holds.
  Bytes promising = ReadAll(picture);
  PutU32(promising, 6, 0x10FFFFFF);
  WriteAll(picture, promising);
  const Result result = Run({"inspect", picture});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("damaged: the picture ends before the hidden file does"), std::string::npos) << result.out;
  EXPECT_EQ(Run({"extract", picture, "--output", dir.File("x.txt")}).status, 1);
  EXPECT_FALSE(fs::exists(dir.File("x.txt")));

  // A picture cut inside its pixel array is no cover any more, but what it
  // holds is still described.
  Bytes cut = promising;
  cut.resize(cut.size() - 13);
  WriteAll(picture, cut);
  const Result short_one = Run({"inspect", picture});
  EXPECT_EQ(short_one.status, 0);
  EXPECT_NE(short_one.out.find(": damaged: its pixel array of "), std::string::npos) << short_one.out;
  EXPECT_NE(short_one.out.find("damaged: the picture ends before the hidden file does"), std::string::npos);
  EXPECT_EQ(Run({"hide", picture, dir.File("data.txt")}).status, 1);
  EXPECT_EQ(Run({"clear", picture}).status, 1);
  EXPECT_EQ(ReadAll(picture), cut);
}

}  // namespace
}  // namespace veil::test
