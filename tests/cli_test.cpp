#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sstream>

#include "cli/cli_app.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

class CliTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };

  Result Run(std::vector<std::string> args, std::optional<std::string> terminal_answer = std::nullopt) {
    std::ostringstream out, err;
    cli::CliEnvironment env{out, err};
    env.read_secret = [terminal_answer, this](const std::string&) {
      ++prompts;
      return terminal_answer;
    };
    const int status = cli::RunCli(args, env);
    return {status, out.str(), err.str()};
  }

  std::string Cover(std::size_t length = 54 + 12 + 12 * 400, std::uint32_t offset = 54) {
    const std::string path = dir.File("cover.bmp");
    WriteAll(path, MakeBmp(length, offset));
    return path;
  }
  std::string Payload(std::size_t size, const std::string& name = "secret.txt") {
    const std::string path = dir.File(name);
    WriteAll(path, RandomBytes(size, static_cast<std::uint32_t>(size)));
    return path;
  }

  TempDir dir;
  int prompts = 0;
};

TEST_F(CliTest, HideThenExtractRoundTripsWithAndWithoutPassword) {
  const std::string cover = Cover();
  const Bytes clean = ReadAll(cover);
  const std::string payload = Payload(1000);

  Result hide = Run({"hide", cover, payload, "--password", "s3cret"});
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_EQ(ReferenceHide(clean, ReadAll(payload), "txt", "s3cret", true), ReadAll(cover));

  Result wrong = Run({"extract", cover, "--password", "S3cret", "--output-dir", dir.Path().string()});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.err, "veilwright-cli: " + cover + ": wrong password; nothing was written\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("output.txt")));

  Result asked = Run({"extract", cover, "--output-dir", dir.Path().string()}, "s3cret");
  ASSERT_EQ(asked.status, 0) << asked.err;
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(ReadAll(dir.File("output.txt")), ReadAll(payload));

  Result no_terminal = Run({"extract", cover, "--output", dir.File("x.bin")});
  EXPECT_EQ(no_terminal.status, 1);
  EXPECT_NE(no_terminal.err.find("--password"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.bin")));

  Result cleared = Run({"extract", cover, "--password", "s3cret", "--output", dir.File("y.bin"), "--clear"});
  ASSERT_EQ(cleared.status, 0) << cleared.err;
  EXPECT_EQ(ReadAll(dir.File("y.bin")), ReadAll(payload));
  EXPECT_EQ(U32At(ReadAll(cover), 6), 0u);
  EXPECT_EQ(Run({"extract", cover}).err, "veilwright-cli: " + cover +
                                             ": holds no hidden file in the plain or sealed form; a stealth file, if "
                                             "there is one, opens only with its password (extract --stealth)\n");
}

TEST_F(CliTest, InspectReportsCapacityAndHiddenFileFacts) {
  const std::string cover = Cover(921654);
  Result clean = Run({"inspect", cover});
  ASSERT_EQ(clean.status, 0);
  EXPECT_NE(clean.out.find("hidden file: none"), std::string::npos);
  EXPECT_NE(clean.out.find("capacity: 230397 bytes (the window's hint: 225 KB)"), std::string::npos);

  // Exactly the capacity fits; one byte more is refused with both figures.
  const std::string payload = Payload(230398, "big.dat");
  Result too_big = Run({"hide", cover, payload});
  EXPECT_EQ(too_big.status, 1);
  EXPECT_EQ(too_big.err,
            "veilwright-cli: " + payload + " is 230398 bytes, but " + cover + " can take at most 230397 bytes\n");
  WriteAll(payload, RandomBytes(230397, 1));
  ASSERT_EQ(Run({"hide", cover, payload}).status, 0);

  Result marked = Run({"inspect", cover});
  EXPECT_NE(marked.out.find("hidden file: 230397 bytes\nextension: dat\nformat version: 1\npassword: no\n"),
            std::string::npos)
      << marked.out;
}

TEST_F(CliTest, HideRefusesWhatItCannotStoreAndWarnsAboutTheExtension) {
  const std::string cover = Cover();
  const Bytes clean = ReadAll(cover);
  EXPECT_EQ(Run({"hide", cover, Payload(10), "--password", "123456789"}).status, 1);
  EXPECT_EQ(ReadAll(cover), clean);
  // Eight characters, the most the plain form stores, are stored whole.
  ASSERT_EQ(Run({"hide", cover, Payload(10), "--password", "12345678"}).status, 0);
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).password, "12345678");
  WriteAll(cover, clean);
  EXPECT_EQ(Run({"hide", cover, Payload(10), "--password", "p\xC3\xA4ss"}).status, 1);
  EXPECT_EQ(ReadAll(cover), clean);

  Result readme = Run({"hide", cover, Payload(10, "README")});
  ASSERT_EQ(readme.status, 0);
  EXPECT_NE(readme.err.find("\"msg\""), std::string::npos);
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).extension, "msg");

  Result again = Run({"hide", cover, Payload(10)});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("already holds a hidden file"), std::string::npos);

  Bytes eight_bit = MakeBmp(500, 54, 8);
  WriteAll(cover, eight_bit);
  EXPECT_EQ(Run({"hide", cover, Payload(10)}).err,
            "veilwright-cli: " + cover + ": not a 24-bit BMP picture (its bit count is 8)\n");
  EXPECT_EQ(ReadAll(cover), eight_bit);
}

TEST_F(CliTest, HideIntoACopyLeavesThePictureUntouched) {
  const std::string cover = Cover();
  const Bytes clean = ReadAll(cover);
  const std::string copy = dir.File("copy.bmp");
  ASSERT_EQ(Run({"hide", cover, Payload(77), "--output", copy}).status, 0);
  EXPECT_EQ(ReadAll(cover), clean);
  EXPECT_EQ(ReferenceExtract(ReadAll(copy)).data, ReadAll(Payload(77)));
  // Nothing but the two pictures and the payload is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

TEST_F(CliTest, ExtractionTellsApartVersionsAndDamage) {
  const std::string cover = Cover();
  ASSERT_EQ(Run({"hide", cover, Payload(300)}).status, 0);
  Bytes picture = ReadAll(cover);

  // Version 2 is the sealed form, which this program reads; 3 it does not know.
  Bytes other_version = picture;
  PutU32(other_version, 6, (U32At(picture, 6) & 0x0FFFFFFF) | 0x30000000);
  WriteAll(cover, other_version);
  EXPECT_NE(Run({"extract", cover}).err.find("format version 3"), std::string::npos);

  Bytes truncated = picture;
  truncated.resize(54 + 12 + 12 * 99);
  WriteAll(cover, truncated);
  Result damaged = Run({"extract", cover, "--output-dir", dir.Path().string()});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find("damaged: it ends at byte 1254, but its hidden file of 300 bytes needs 1266"),
            std::string::npos)
      << damaged.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("output.txt")));

  Bytes lying_offset = picture;
  PutU32(lying_offset, 10, 0x7FFFFFFF);
  WriteAll(cover, lying_offset);
  EXPECT_NE(Run({"extract", cover}).err.find("pixel-data offset 2147483647 lies outside"), std::string::npos);
}

TEST_F(CliTest, UntrustedExtensionStaysInsideTheOutputFolder) {
  const std::string cover = Cover();
  ASSERT_EQ(Run({"hide", cover, Payload(30)}).status, 0);
  Bytes picture = ReadAll(cover);
  picture[54] = '/';
  picture[55] = '.';
  picture[56] = '.';
  WriteAll(cover, picture);
  const auto out_dir = dir.Path() / "out";
  std::filesystem::create_directory(out_dir);
  ASSERT_EQ(Run({"extract", cover, "--output-dir", out_dir.string()}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(out_dir / "output._.."));
}

TEST_F(CliTest, ExtractToStandardOutput) {
  const std::string cover = Cover();
  ASSERT_EQ(Run({"hide", cover, Payload(1200)}).status, 0);
  const std::string sink = dir.File("stdout.bin");
  const int fd = ::open(sink.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::ostringstream out, err;
  cli::CliEnvironment env{out, err};
  env.stdout_fd = fd;
  EXPECT_EQ(cli::RunCli({"extract", cover, "--output", "-"}, env), 0) << err.str();
  ::close(fd);
  EXPECT_EQ(ReadAll(sink), ReadAll(Payload(1200)));
  EXPECT_TRUE(out.str().empty());
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"hide", "only-one"}).status, 2);
  EXPECT_EQ(Run({"inspect", "a", "--bogus"}).status, 2);
  EXPECT_EQ(Run({"extract", "a", "--output"}).status, 2);
  EXPECT_EQ(Run({"extract", "a", "--output", "x", "--output-dir", "y"}).status, 2);
  EXPECT_EQ(Run({"frobnicate"}).status, 2);
  Result help = Run({"extract", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: veilwright-cli extract PICTURE"), std::string::npos);
  Result missing = Run({"inspect", dir.File("none.bmp")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "veilwright-cli: cannot open " + dir.File("none.bmp") + ": No such file or directory\n");
}

// A user choosing a form learns from --help what each one keeps from whom,
// and what it gives away.
TEST_F(CliTest, HelpSaysWhatEachFormHidesAndWhatItDoesNot) {
  const Result overview = Run({"--help"});
  ASSERT_EQ(overview.status, 0);
  const Result hide = Run({"hide", "--help"});
  ASSERT_EQ(hide.status, 0);
  for (const std::string& text : {overview.out, hide.out}) {
    SCOPED_TRACE(text);
    EXPECT_NE(text.find("gate for extraction, not encryption"), std::string::npos);
    EXPECT_NE(text.find("shows that it holds a file, and the file's length"), std::string::npos);
    EXPECT_NE(text.find("someone who holds the cover"), std::string::npos);
  }
  for (const char* kind : {"BMP", "PNG", "JPEG"}) EXPECT_NE(overview.out.find(kind), std::string::npos) << kind;
}

// Clearing destroys the file: with its marker put back, a picture gives
// back neither the file nor its password, and nothing outside the pixel
// bytes the file took has changed.
TEST_F(CliTest, ClearDestroysTheHiddenFileAndNothingElse) {
  for (const bool sealed : {false, true}) {
    SCOPED_TRACE(sealed ? "sealed" : "plain, with a password");
    const std::string cover = Cover();
    const std::string payload = Payload(300);
    std::vector<std::string> hide = {"hide", cover, payload, "--password", sealed ? "a long passphrase" : "s3cret"};
    if (sealed) hide.push_back("--seal");
    ASSERT_EQ(Run(hide).status, 0);
    const Bytes marked = ReadAll(cover);
    const std::uint32_t marker = U32At(marked, 6);
    const Result cleared = Run({"clear", cover});
    ASSERT_EQ(cleared.status, 0) << cleared.err;
    EXPECT_NE(cleared.out.find("overwritten with random bits"), std::string::npos) << cleared.out;
    Bytes after = ReadAll(cover);
    EXPECT_EQ(U32At(after, 6), 0u);

    // The file took the header (20 bytes) and 4 cover bytes for 1 of its.
    const std::size_t hidden = marker & 0xFFFFFF, end = 54 + 20 + (hidden + 2) / 3 * 12;
    ASSERT_EQ(after.size(), marked.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
      if (i < 54 || i >= end) {
        ASSERT_EQ(after[i], i >= 6 && i < 10 ? 0 : marked[i]) << i;
      }
    }
    PutU32(after, 6, marker);
    const ReferenceContents back = ReferenceExtract(after);
    EXPECT_NE(back.data, ReadAll(payload));
    const std::string everything(after.begin(), after.end());
    EXPECT_EQ(everything.find("s3cret"), std::string::npos);
    EXPECT_EQ(everything.find("txt"), std::string::npos);
    WriteAll(cover, after);
    EXPECT_NE(Run({"extract", cover, "--password", sealed ? "a long passphrase" : "s3cret", "--output",
                   dir.File("again.bin")})
                  .status,
              0)
        << "the marker put back brings the file back";
    EXPECT_FALSE(std::filesystem::exists(dir.File("again.bin")));
    ASSERT_EQ(Run({"clear", cover}).status, 0);
    EXPECT_NE(Run({"clear", cover}).out.find("nothing to clear"), std::string::npos);
  }
}

}  // namespace
}  // namespace veil::test
