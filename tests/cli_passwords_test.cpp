// Passwords on the command line from wherever a user keeps them: files,
// FIFOs, "<(...)", standard input; what is stripped and what stays; the
// "--name=value" spelling; the warning for --password; and the sealed
// form's rules: UTF-8 only, sealed in its composed form, and pictures sealed
// from the bytes as typed still opening.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "cli/cli_app.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/seal/seal.h"
#include "files/memory_file.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

class CliPasswordsTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  Result Run(const std::vector<std::string>& args, int stdin_fd = 0) {
    std::ostringstream out, err;
    cli::CliEnvironment env{out, err};
    env.stdin_fd = stdin_fd;
    env.read_secret = [this](const std::string&) -> std::optional<std::string> {
      ++prompts;
      return std::nullopt;
    };
    return {cli::RunCli(args, env), out.str(), err.str()};
  }
  // The real program under bash, for what only a shell makes ("<(...)").
  static int Shell(const std::string& script) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl("/bin/bash", "bash", "-c", script.c_str(), VEILWRIGHT_CLI, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // A FIFO in the test's folder with a writer that gives bytes and closes.
  std::string FifoGiving(const std::string& name, std::string bytes) {
    const std::string path = dir.File(name);
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    fifos.push_back(path);
    writers.emplace_back([path, bytes] {
      const int fd = ::open(path.c_str(), O_WRONLY);
      if (fd < 0) return;
      for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      ::close(fd);
    });
    return path;
  }
  std::string FileHolding(const std::string& name, const std::string& bytes) {
    WriteAll(dir.File(name), Bytes(bytes.begin(), bytes.end()));
    return dir.File(name);
  }
  // The v1 password a hide with these words stored, or "(failed)".
  std::string StoredPassword(std::vector<std::string> words) {
    WriteAll(cover, clean);
    std::vector<std::string> args = {"hide", cover, payload};
    args.insert(args.end(), words.begin(), words.end());
    const Result result = Run(args);
    if (result.status != 0) return "(failed)";
    return ReferenceExtract(ReadAll(cover)).password;
  }
  void SetUp() override {
    cover = dir.File("cover.bmp");
    clean = MakeBmp(54 + 12 + 12 * 3000);
    WriteAll(cover, clean);
    payload = dir.File("notes.txt");
    data = RandomBytes(5000, 31);
    WriteAll(payload, data);
  }
  void TearDown() override {
    for (std::size_t i = 0; i < writers.size(); ++i) {
      // A writer whose FIFO the program never opened is let go by a reader
      // of the test's own, held until the writer is done.
      const int fd = ::open(fifos[i].c_str(), O_RDONLY | O_NONBLOCK);
      writers[i].join();
      if (fd >= 0) ::close(fd);
    }
  }

  TempDir dir;
  std::string cover, payload;
  Bytes clean, data;
  int prompts = 0;
  std::vector<std::thread> writers;
  std::vector<std::string> fifos;
};

TEST_F(CliPasswordsTest, APasswordFileIsReadToItsEndWhateverItIs) {
  EXPECT_EQ(StoredPassword({"--password-file", FifoGiving("fifo", "ab12\n")}), "ab12");
  // Standard input, here a pipe.
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  ASSERT_EQ(::write(pipe_fds[1], "cd34\r\n", 6), 6);
  ::close(pipe_fds[1]);
  WriteAll(cover, clean);
  const Result piped = Run({"hide", cover, payload, "--password-file", "-"}, pipe_fds[0]);
  ::close(pipe_fds[0]);
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).password, "cd34");
  // What a shell's process substitution gives: a pipe under a /dev/fd name.
  WriteAll(cover, clean);
  ASSERT_EQ(Shell("\"$0\" hide '" + cover + "' '" + payload + "' --password-file <(printf 'ef56\\n')"), 0);
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).password, "ef56");
  // And a protected picture opens with a password from a FIFO.
  const Result extracted =
      Run({"extract", cover, "--password-file", FifoGiving("fifo2", "ef56"), "--output", dir.File("out")});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(ReadAll(dir.File("out")), data);
}

TEST_F(CliPasswordsTest, OneByteOrderMarkAndOneLineBreakGoOtherBlanksStay) {
  EXPECT_EQ(StoredPassword({"--password-file", FileHolding("a",
                                                           "\xEF\xBB\xBF"
                                                           "ab\r\n")}),
            "ab");
  EXPECT_EQ(StoredPassword({"--password-file", FileHolding("b", "ab  \n")}), "ab  ");
  EXPECT_EQ(StoredPassword({"--password-file", FileHolding("c", " ab")}), " ab");
  EXPECT_EQ(StoredPassword({"--password-file", FileHolding("d", "ab\r")}), "(failed)") << "a lone CR is no line break";
  EXPECT_EQ(StoredPassword({"--password-file", FileHolding("e", "ab\n\n")}), "(failed)") << "only one line break goes";
  EXPECT_EQ(StoredPassword({"--password-file", FileHolding("f",
                                                           "\xEF\xBB\xBF\xEF\xBB\xBF"
                                                           "ab")}),
            "(failed)");
}

TEST_F(CliPasswordsTest, AnEmptyPasswordFileIsRefusedNeverTried) {
  for (const std::string& bytes :
       {std::string(), std::string("\n"), std::string("\r\n"), std::string("\xEF\xBB\xBF")}) {
    SCOPED_TRACE("a file of " + std::to_string(bytes.size()) + " bytes");
    WriteAll(cover, clean);
    const Result hide = Run({"hide", cover, payload, "--password-file", FileHolding("empty", bytes)});
    EXPECT_EQ(hide.status, 1);
    EXPECT_NE(hide.err.find("the password file is empty"), std::string::npos) << hide.err;
    EXPECT_EQ(ReadAll(cover), clean);
  }
  // A FIFO whose writer gives nothing: before, it read as an empty password
  // and extraction tried it.
  WriteAll(cover, ReferenceHide(clean, data, "txt", "", true));
  const Result extract = Run({"extract", cover, "--password-file", FifoGiving("fifo", ""), "--output", dir.File("o")});
  EXPECT_EQ(extract.status, 1);
  EXPECT_NE(extract.err.find("the password file is empty"), std::string::npos) << extract.err;
  EXPECT_FALSE(fs::exists(dir.File("o")));
  EXPECT_EQ(prompts, 0);

  const Result long_one = Run({"hide", cover, payload, "--password-file", FileHolding("long", std::string(4097, 'a'))});
  EXPECT_EQ(long_one.status, 1);
  EXPECT_NE(long_one.err.find("at most 4096 bytes"), std::string::npos);
}

// A password file of exactly 4096 bytes is read whole and opens what its
// password sealed; one byte more is refused.
TEST_F(CliPasswordsTest, APasswordFileOfTheLargestLengthIsReadWhole) {
  const std::string longest(4096, 'k');
  const auto key = codec::SealKey::Derive(longest, codec::SealParams{1, 8, 16});
  ASSERT_TRUE(key);
  auto picture = std::make_shared<Bytes>(clean);
  MemoryFile sealed_cover(picture), sealed_payload(std::make_shared<Bytes>(data));
  codec::RunObserver quiet;
  ASSERT_TRUE(codec::Embed({sealed_cover, sealed_payload, nullptr, "txt", std::nullopt, &*key}, quiet).ok());
  WriteAll(cover, *picture);

  const Result at =
      Run({"extract", cover, "--password-file", FileHolding("at", longest), "--output", dir.File("at.txt")});
  ASSERT_EQ(at.status, 0) << at.err;
  EXPECT_EQ(ReadAll(dir.File("at.txt")), data);
  // Cut to 4095 bytes, the same password would not open it.
  const Result shorter =
      Run({"extract", cover, "--password-file", FileHolding("short", longest.substr(1)), "--output", dir.File("s")});
  EXPECT_EQ(shorter.status, 1);
  EXPECT_FALSE(fs::exists(dir.File("s")));
  const Result past =
      Run({"extract", cover, "--password-file", FileHolding("past", longest + "k"), "--output", dir.File("p")});
  EXPECT_EQ(past.status, 1);
  EXPECT_NE(past.err.find("at most 4096 bytes"), std::string::npos) << past.err;
  EXPECT_FALSE(fs::exists(dir.File("p")));
}

TEST_F(CliPasswordsTest, OptionsTakeTheirValueAfterAnEqualsSignToo) {
  const std::string copy = dir.File("copy.bmp"), pw = FileHolding("pw", "gh78\n");
  const Result hide = Run({"hide", cover, payload, "--password=gh78", "--output=" + copy});
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_EQ(ReadAll(cover), clean);
  EXPECT_EQ(ReferenceExtract(ReadAll(copy)).password, "gh78");
  const Result extract = Run({"extract", copy, "--password-file=" + pw, "--output-dir=" + dir.Path().string()});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadAll(dir.File("output.txt")), data);
  EXPECT_EQ(Run({"extract", copy, "--password=gh7", "--output=" + dir.File("no")}).status, 1);
  EXPECT_EQ(Run({"extract", copy, "--clear=yes"}).status, 2);
  EXPECT_EQ(Run({"extract", copy, "--passwordx=gh78"}).status, 2);
  EXPECT_FALSE(fs::exists(dir.File("no")));
}

TEST_F(CliPasswordsTest, APasswordOnTheCommandLineOfASealedRunIsWarnedOf) {
  constexpr const char* kWarning = "visible to other users";
  const Result plain = Run({"hide", cover, payload, "--password", "ab"});
  ASSERT_EQ(plain.status, 0);
  EXPECT_EQ(plain.err.find(kWarning), std::string::npos) << "only the sealed form is a secret";
  WriteAll(cover, clean);
  const Result sealed = Run({"hide", cover, payload, "--seal", "--password", "ab", "--weak-password"});
  ASSERT_EQ(sealed.status, 0) << sealed.err;
  EXPECT_NE(sealed.err.find(kWarning), std::string::npos) << sealed.err;
  const Result opened = Run({"extract", cover, "--password", "ab", "--output", dir.File("o")});
  ASSERT_EQ(opened.status, 0) << opened.err;
  EXPECT_NE(opened.err.find(kWarning), std::string::npos) << opened.err;
  const Result from_file =
      Run({"extract", cover, "--password-file", FileHolding("pw", "ab"), "--output", dir.File("p")});
  ASSERT_EQ(from_file.status, 0);
  EXPECT_EQ(from_file.err.find(kWarning), std::string::npos);
  for (const char* command : {"hide", "extract"})
    EXPECT_NE(Run({command, "--help"}).out.find(kWarning), std::string::npos);
}

// "é" typed as one code point (NFC) or as e and a combining accent (NFD).
const std::string kComposed = "caf\xC3\xA9", kDecomposed = "cafe\xCC\x81";

TEST_F(CliPasswordsTest, SealedPasswordsAreUtf8AndEverySpellingOpens) {
  const Result sealed = Run({"hide", cover, payload, "--seal", "--password", kDecomposed});
  ASSERT_EQ(sealed.status, 0) << sealed.err;
  for (const std::string& typed : {kComposed, kDecomposed}) {
    const Result opened = Run({"extract", cover, "--password", typed, "--output", dir.File("o")});
    EXPECT_EQ(opened.status, 0) << opened.err;
    EXPECT_EQ(ReadAll(dir.File("o")), data);
    fs::remove(dir.File("o"));
  }
  EXPECT_EQ(Run({"extract", cover, "--password", "cafe", "--output", dir.File("o")}).status, 1);

  // Bytes that are not UTF-8 are not sealed.
  WriteAll(cover, clean);
  const Result invalid = Run({"hide", cover, payload, "--seal", "--password-file", FileHolding("pw", "caf\xE9\n")});
  EXPECT_EQ(invalid.status, 1);
  EXPECT_NE(invalid.err.find("not UTF-8"), std::string::npos) << invalid.err;
  EXPECT_EQ(ReadAll(cover), clean);
}

// A picture sealed from the decomposed bytes themselves, as earlier
// versions did, still opens when they are typed; a picture that asks more
// than new seals do says so before the wait.
TEST_F(CliPasswordsTest, PicturesSealedFromTheTypedBytesStillOpen) {
  for (const codec::SealParams params : {codec::SealParams{1, 8, 16}, codec::SealParams{4, 1024, 16}}) {
    const auto key = codec::SealKey::Derive(kDecomposed, params);
    ASSERT_TRUE(key);
    auto picture = std::make_shared<Bytes>(clean);
    MemoryFile picture_file(picture), payload_file(std::make_shared<Bytes>(data));
    codec::RunObserver quiet;
    ASSERT_TRUE(codec::Embed({picture_file, payload_file, nullptr, "txt", std::nullopt, &*key}, quiet).ok());
    WriteAll(cover, *picture);
    const Result opened = Run({"extract", cover, "--password", kDecomposed, "--output", dir.File("o"), "--force"});
    ASSERT_EQ(opened.status, 0) << opened.err;
    EXPECT_EQ(ReadAll(dir.File("o")), data);
    const bool asks_more = params.operations == 4;
    EXPECT_EQ(opened.err.find("deriving the key (4 passes over 1 MiB)") != std::string::npos, asks_more) << opened.err;
  }
}

}  // namespace
}  // namespace veil::test
