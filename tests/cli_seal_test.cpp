// Sealed pictures from the command line: --seal, passwords from a file or
// the terminal, extraction that knows version 2 by itself, and what inspect
// tells of a sealed picture and of a clean one's room.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sstream>

#include "cli/cli_app.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

class CliSealTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };
  // Runs a command line; the terminal answers from typed, in order, or is absent.
  Result Run(const std::vector<std::string>& args, std::deque<std::string> typed = {}, bool terminal = true) {
    std::ostringstream out, err;
    cli::CliEnvironment env{out, err};
    env.read_secret = [&](const std::string&) -> std::optional<std::string> {
      ++prompts;
      if (!terminal || typed.empty()) return std::nullopt;
      std::string answer = typed.front();
      typed.pop_front();
      return answer;
    };
    return {cli::RunCli(args, env), out.str(), err.str()};
  }
  void SetUp() override {
    cover = dir.File("cover.bmp");
    clean = MakeBmp(54 + 12 + 12 * 3000);
    WriteAll(cover, clean);
    payload = dir.File("notes.txt");
    data = RandomBytes(5000, 31);
    WriteAll(payload, data);
  }
  TempDir dir;
  std::string cover, payload;
  Bytes clean, data;
  int prompts = 0;
};

TEST_F(CliSealTest, SealsAndOpensWithAPasswordFromAFileOrTheTerminal) {
  const std::string secret_file = dir.File("secret");
  WriteAll(secret_file, {0xE5, 0xAF, 0x86, ' ', 'o', 'k', '\n'});  // "密 ok" and a line break
  const Result hide = Run({"hide", cover, payload, "--seal", "--password-file", secret_file});
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_NE(hide.out.find("sealed"), std::string::npos);
  const Bytes picture = ReadAll(cover);
  EXPECT_EQ(U32At(picture, 6) >> 24, 0x20u);

  const std::string folder = dir.File("out"), extracted = dir.File("out/notes.txt");
  std::filesystem::create_directories(folder);
  const Result wrong = Run({"extract", cover, "--password", "密 o", "--output-dir", folder});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("wrong password, or the picture was changed"), std::string::npos) << wrong.err;
  EXPECT_TRUE(std::filesystem::is_empty(folder));

  const Result asked = Run({"extract", cover, "--output-dir", folder}, {"密 ok"});
  ASSERT_EQ(asked.status, 0) << asked.err;
  EXPECT_EQ(ReadAll(extracted), data) << "the name came out of the seal";
  EXPECT_EQ(ReadAll(cover), picture) << "extraction changed the picture";

  const Result no_terminal = Run({"extract", cover, "--output", dir.File("x")}, {}, false);
  EXPECT_EQ(no_terminal.status, 1);
  EXPECT_NE(no_terminal.err.find("is sealed; give it with --password or --password-file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x")));
}

TEST_F(CliSealTest, ANewPasswordIsAskedTwiceAndNeverGuessed) {
  EXPECT_EQ(Run({"hide", cover, payload, "--seal"}, {"one", "two"}).status, 1);
  EXPECT_EQ(Run({"hide", cover, payload, "--seal"}, {}, false).status, 1);
  EXPECT_EQ(Run({"hide", cover, payload, "--seal"}, {"", ""}).status, 1);
  EXPECT_EQ(ReadAll(cover), clean);
  prompts = 0;
  ASSERT_EQ(Run({"hide", cover, payload, "--seal", "--weak-password"}, {"twice", "twice"}).status, 0);
  EXPECT_EQ(prompts, 2);
  EXPECT_EQ(Run({"extract", cover, "--password", "twice", "--output", dir.File("back")}).status, 0);
  EXPECT_EQ(ReadAll(dir.File("back")), data);
  EXPECT_EQ(Run({"hide", cover, payload, "--password", "a", "--password-file", payload}).status, 2);
}

TEST_F(CliSealTest, InspectTellsWhatASealShowsAndWhatFits) {
  const Result room = Run({"inspect", cover});
  EXPECT_NE(room.out.find("capacity: 9000 bytes"), std::string::npos) << room.out;
  EXPECT_NE(room.out.find("capacity sealed: 8930 bytes, the file's name included"), std::string::npos) << room.out;

  ASSERT_EQ(Run({"hide", cover, payload, "--seal", "--password", "pw", "--weak-password"}).status, 0);
  const Result sealed = Run({"inspect", cover});
  // 52 bytes of header, the name's length, "notes.txt", the file, one chunk's 17.
  EXPECT_NE(sealed.out.find("hidden file: sealed (format version 2), 5079 hidden bytes"), std::string::npos)
      << sealed.out;
  // New seals ask libsodium's moderate costs, not the interactive ones.
  EXPECT_NE(sealed.out.find("key derivation: Argon2id, 3 passes over 262144 KiB of memory"), std::string::npos)
      << sealed.out;
  EXPECT_NE(sealed.out.find("file and its name: 5010 bytes"), std::string::npos) << sealed.out;
  EXPECT_NE(sealed.out.find("name and contents are inside the seal"), std::string::npos) << sealed.out;
  EXPECT_EQ(sealed.out.find("notes"), std::string::npos);

  // A v1 password file works for the plain form too.
  WriteAll(cover, clean);
  WriteAll(dir.File("pw"), {'a', 'b', '\r', '\n'});
  ASSERT_EQ(Run({"hide", cover, payload, "--password-file", dir.File("pw")}).status, 0);
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).password, "ab");
}

}  // namespace
}  // namespace veil::test
