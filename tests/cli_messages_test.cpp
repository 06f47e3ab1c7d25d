// What the command line says when it cannot do what was asked: what the
// picture is, what it may still hold, and what to type instead.
#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "support/cli_runner.h"
#include "support/jpeg_test_files.h"
#include "support/png_test_files.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

class CliMessagesTest : public ::testing::Test {
 protected:
  CliRun Run(const std::vector<std::string>& args) { return RunCliHere(args); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    WriteAll(dir.File(name), bytes);
    return dir.File(name);
  }
  static Bytes Starting(const std::string& signature) {
    Bytes bytes = RandomBytes(4000, 6);
    std::copy(signature.begin(), signature.end(), bytes.begin());
    return bytes;
  }
  TempDir dir;
};

TEST_F(CliMessagesTest, AnUnmarkedPictureSaysAStealthFileOpensOnlyWithItsPassword) {
  const std::string bmp = Write("clean.bmp", MakeBmp(54 + 12 + 12 * 500));
  const CliRun inspect = Run({"inspect", bmp});
  EXPECT_EQ(inspect.status, 0);
  EXPECT_NE(inspect.out.find("\nhidden file: none marked (a stealth file, if there is one, opens only with its "
                             "password: extract --stealth)\n"),
            std::string::npos)
      << inspect.out;
  const CliRun extract = Run({"extract", bmp, "--output", dir.File("out.txt")});
  EXPECT_EQ(extract.status, 1);
  EXPECT_EQ(extract.err, "veilwright-cli: " + bmp +
                             ": holds no hidden file in the plain or sealed form; a stealth file, if there is one, "
                             "opens only with its password (extract --stealth)\n");
  // Nothing claims that one is there.
  for (const std::string& said : {inspect.out, extract.err})
    EXPECT_EQ(said.find("holds a stealth"), std::string::npos) << said;

  const std::string png = Write("clean.png", EncodePng(MakeTestPicture(64, 48, 2, 8, false, 3)));
  const CliRun png_inspect = Run({"inspect", png});
  EXPECT_NE(png_inspect.out.find("opens only with its password: extract --stealth"), std::string::npos)
      << png_inspect.out;
}

TEST_F(CliMessagesTest, PicturesOfOtherFormatsAreNamedNotShownInHex) {
  const struct {
    const char* name;
    Bytes bytes;
    const char* format;
  } files[] = {
      {"scan.tif", Starting(std::string("II*\0", 4)), "a TIFF picture"},
      {"scan-mm.tif", Starting(std::string("MM\0*", 4)), "a TIFF picture"},
      {"phone.heic",
       Starting(std::string("\0\0\0\x18"
                            "ftypheic",
                            12)),
       "a HEIC picture"},
      {"layers.psd", Starting("8BPS"), "a Photoshop (PSD) picture"},
      {"letter.pdf", Starting("%PDF-1.7"), "not a picture but a PDF file"},
  };
  for (const auto& file : files) {
    const std::string path = Write(file.name, file.bytes);
    for (const char* command : {"inspect", "clear"}) {
      SCOPED_TRACE(std::string(command) + " " + file.name);
      const CliRun run = Run({command, path});
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.err.rfind("veilwright-cli: " + path + ": " + file.format, 0), 0u) << run.err;
      EXPECT_EQ(run.err.find("0x"), std::string::npos) << run.err;
    }
  }
  // A PNG and a JPEG carry only stealth files, which have no marker to clear.
  const std::string png = Write("photo.png", EncodePng(MakeTestPicture(64, 48, 2, 8, false, 3)));
  const std::string jpeg = Write("photo.jpg", EncodeJpeg({}));
  for (const auto& [path, name] : {std::pair{png, "PNG"}, std::pair{jpeg, "JPEG"}}) {
    const Bytes before = ReadAll(path);
    const CliRun run = Run({"clear", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "veilwright-cli: " + path + ": a " + name +
                           " picture holds no marked file to clear: it can carry only a stealth file, which has no "
                           "marker; to be rid of one, delete the picture\n");
    EXPECT_EQ(ReadAll(path), before);
  }
}

TEST_F(CliMessagesTest, AUsageErrorIsOneLineAndPointsToTheCommandsHelp) {
  const std::string bmp = Write("clean.bmp", MakeBmp(54 + 12 + 12 * 500));
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"hide", bmp}, "veilwright-cli: 'hide' takes 2 files, not 1\ntry `veilwright-cli hide --help`\n"},
      {{"inspect", bmp, "--bogus"}, "veilwright-cli: unknown option '--bogus'\ntry `veilwright-cli inspect --help`\n"},
      {{"extract", bmp, "--output"},
       "veilwright-cli: option '--output' needs a value\ntry `veilwright-cli extract --help`\n"},
      // Found by the command itself rather than the parser.
      {{"hide", bmp, bmp, "--max-rate", "0.2"},
       "veilwright-cli: --max-rate is for the stealth form (--stealth)\ntry `veilwright-cli hide --help`\n"},
      {{"frobnicate"}, "veilwright-cli: unknown command 'frobnicate'\ntry `veilwright-cli --help`\n"},
      {{}, "veilwright-cli: no command given\ntry `veilwright-cli --help`\n"},
  };
  for (const auto& each : cases) {
    const CliRun run = Run(each.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, each.err);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
}  // namespace veil::test
