// Hidden files' own names on the command line: the sealed and stealth forms
// store the payload's name and extraction writes the file under it in the
// output folder, made safe whatever the picture claims, never over an
// existing file without --force; pictures made before names were kept open
// under "output." and their extension; the plain form keeps its three letters.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "codec/seal/seal.h"
#include "codec/stealth/stealth_keys.h"
#include "support/cli_runner.h"
#include "support/jpeg_test_files.h"
#include "support/png_test_files.h"
#include "support/raw_names.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

struct Form {
  const char* name;
  std::vector<std::string> hide_options, extract_options;
  bool png = false;
};
const Form kSealed{"sealed", {"--seal", "--password", "pw", "--weak-password"}, {"--password", "pw"}};
const Form kStealth{
    "stealth", {"--stealth", "--password", "pw", "--weak-password"}, {"--stealth", "--password", "pw"}, true};

// Every file under a folder, by its path relative to it.
std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
  std::sort(files.begin(), files.end());
  return files;
}

class CliNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.Path() / "in");
    fs::create_directories(dir.Path() / "out");
    out = (dir.Path() / "out").string();
  }
  CliRun Run(std::vector<std::string> args, const std::vector<std::string>& more = {}) {
    args.insert(args.end(), more.begin(), more.end());
    return RunCliHere(args);
  }
  // A clean cover for the form.
  std::string Cover(const Form& form) {
    const std::string cover = dir.File(form.png ? "cover.png" : "cover.bmp");
    WriteAll(cover, form.png ? EncodePng(MakeTestPicture(256, 192, 2, 8, false, 17)) : MakeBmp(54 + 12 + 12 * 3000));
    return cover;
  }
  // data, as in/<name>, hidden in a new picture of the form.
  std::string Hide(const Form& form, const std::string& name, const Bytes& data) {
    const std::string payload = (dir.Path() / "in" / name).string();
    WriteAll(payload, data);
    const std::string picture =
        dir.File("picture-" + std::to_string(++pictures) + (form.png ? ".png" : ".bmp"));
    const CliRun hidden = Run({"hide", Cover(form), payload, "--output", picture, "--force"}, form.hide_options);
    EXPECT_EQ(hidden.status, 0) << hidden.err;
    EXPECT_NE(hidden.out.find("stored as \"" + name + "\""), std::string::npos) << hidden.out;
    EXPECT_EQ(hidden.err.find("\"msg\""), std::string::npos) << hidden.err;
    return picture;
  }
  TempDir dir;
  std::string out;
  int pictures = 0;
};

TEST_F(CliNamesTest, SealedFilesComeBackUnderTheirOwnNames) {
  const std::string kNames[] = {"my notes.txt", "報告書 2026 年.pdf", "backup.tar.gz", "Makefile", "a.7z",
                                "Makefile.am",  "photo.jpeg",          std::string(240, 'n') + ".log"};
  std::uint32_t seed = 1;
  for (const std::string& name : kNames) {
    SCOPED_TRACE(name);
    const Bytes data = RandomBytes(900 + seed, seed);
    ++seed;
    const std::string picture = Hide(kSealed, name, data);
    const CliRun extracted = Run({"extract", picture, "--output-dir", out}, kSealed.extract_options);
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(ReadAll((fs::path(out) / name).string()), data);
    EXPECT_NE(extracted.out.find("to " + (fs::path(out) / name).string()), std::string::npos) << extracted.out;
  }
  EXPECT_EQ(FilesUnder(out).size(), std::size(kNames));
}

TEST_F(CliNamesTest, StealthFilesComeBackUnderTheirOwnNames) {
  for (const std::string name : {"報告 2026.tar.gz", "Makefile"}) {
    SCOPED_TRACE(name);
    const Bytes data = RandomBytes(40, 2);
    const std::string picture = Hide(kStealth, name, data);
    const CliRun extracted = Run({"extract", picture, "--output-dir", out}, kStealth.extract_options);
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(ReadAll((fs::path(out) / name).string()), data);
  }
}

TEST_F(CliNamesTest, AJpegCarriesTheNameToo) {
  JpegShape shape;
  shape.width = 640;
  shape.height = 480;
  const std::string cover = dir.File("photo.jpg"), picture = dir.File("stealth.jpg");
  WriteAll(cover, EncodeJpeg(shape));
  const std::string payload = (dir.Path() / "in" / "Makefile.am").string();
  const Bytes data = RandomBytes(200, 12);
  WriteAll(payload, data);
  const CliRun hidden = Run({"hide", cover, payload, "--output", picture}, kStealth.hide_options);
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  const CliRun extracted = Run({"extract", picture, "--output-dir", out}, kStealth.extract_options);
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(FilesUnder(out), std::vector<std::string>{"Makefile.am"});
  EXPECT_EQ(ReadAll((fs::path(out) / "Makefile.am").string()), data);
}

// The plain form's format is fixed: three letters, "msg" with a warning
// for anything else, extracted as "output." and the letters.
TEST_F(CliNamesTest, ThePlainFormKeepsItsThreeLetters) {
  const std::string payload = (dir.Path() / "in" / "backup.tar.gz").string();
  const Bytes data = RandomBytes(500, 3);
  WriteAll(payload, data);
  const std::string cover = Cover({"plain", {}, {}});
  const CliRun hidden = Run({"hide", cover, payload});
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  EXPECT_NE(hidden.out.find("stored as .msg)"), std::string::npos) << hidden.out;
  EXPECT_NE(hidden.err.find("its extension is stored as \"msg\""), std::string::npos) << hidden.err;
  ASSERT_EQ(Run({"extract", cover, "--output-dir", out}).status, 0);
  EXPECT_EQ(FilesUnder(out), std::vector<std::string>{"output.msg"});
  EXPECT_EQ(ReadAll((fs::path(out) / "output.msg").string()), data);
}

// Stored names that no hide of this program writes, claimed by hostile
// pictures: the file lands inside the output folder, under the safe name.
TEST_F(CliNamesTest, ClaimedNamesAreMadeSafeAndStayInsideTheOutputFolder) {
  const auto key = codec::SealKey::Derive("pw", codec::SealParams{1, 8, 16});
  ASSERT_TRUE(key);
  const Bytes data = RandomBytes(300, 4);
  const struct {
    std::string claimed, written;
  } cases[] = {
      {"../../x", "x"},
      {"C:\\x", "x"},
      {"/etc/cron.d/job", "job"},
      {"CON.txt", "_CON.txt"},
      {"nul", "_nul"},
      {std::string("ctl\x01\x1b[2J\nname.txt"), "ctl__[2J_name.txt"},
      {"trailing dot.", "trailing dot"},
      {"..", "hidden-file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.claimed);
    const std::string picture = dir.File("hostile.bmp");
    WriteAll(picture, SealedWithRawName(c.claimed, data, *key));
    const CliRun extracted = Run({"extract", picture, "--output-dir", out, "--password", "pw"});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(ReadAll((fs::path(out) / c.written).string()), data);
    fs::remove(fs::path(out) / c.written);
  }
  // Nothing was written anywhere but the output folder.
  EXPECT_EQ(FilesUnder(dir.Path()), std::vector<std::string>{"hostile.bmp"});
}

TEST_F(CliNamesTest, AClaimedPathInAStealthPictureStaysInsideTheOutputFolder) {
  const Bytes data = RandomBytes(30, 5);
  const std::string picture = dir.File("hostile.png");
  WriteAll(picture, StealthWithRawName(EncodePng(MakeTestPicture(256, 192, 2, 8, false, 17)), "../../../evil.sh",
                                       data, "pw", codec::stealth::KdfCosts{}));
  const CliRun extracted = Run({"extract", picture, "--output-dir", out}, kStealth.extract_options);
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"hostile.png", "out/evil.sh"}));
  EXPECT_EQ(ReadAll((fs::path(out) / "evil.sh").string()), data);
}

TEST_F(CliNamesTest, AnExistingFileOfTheStoredNameIsReplacedOnlyWithForce) {
  const Bytes data = RandomBytes(700, 6), kept(50, 0xAB);
  const std::string picture = Hide(kSealed, "notes 2026.txt", data);
  const std::string target = (fs::path(out) / "notes 2026.txt").string();
  WriteAll(target, kept);
  const CliRun refused = Run({"extract", picture, "--output-dir", out}, kSealed.extract_options);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(target), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadAll(target), kept);
  EXPECT_EQ(FilesUnder(out), std::vector<std::string>{"notes 2026.txt"});

  const CliRun forced = Run({"extract", picture, "--output-dir", out, "--force"}, kSealed.extract_options);
  ASSERT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(ReadAll(target), data);

  // The file a hide took its name from is not overwritten either.
  const std::string own = (dir.Path() / "in" / "notes 2026.txt").string();
  WriteAll(own, kept);
  EXPECT_EQ(Run({"extract", picture, "--output-dir", (dir.Path() / "in").string()}, kSealed.extract_options).status,
            1);
  EXPECT_EQ(ReadAll(own), kept);
}

TEST_F(CliNamesTest, AnExistingStealthFileOfTheStoredNameIsReplacedOnlyWithForce) {
  const Bytes data = RandomBytes(40, 7), kept(20, 0xAB);
  const std::string picture = Hide(kStealth, "plan.md", data);
  const std::string target = (fs::path(out) / "plan.md").string();
  WriteAll(target, kept);
  EXPECT_EQ(Run({"extract", picture, "--output-dir", out}, kStealth.extract_options).status, 1);
  EXPECT_EQ(ReadAll(target), kept);
  ASSERT_EQ(Run({"extract", picture, "--output-dir", out, "--force"}, kStealth.extract_options).status, 0);
  EXPECT_EQ(ReadAll(target), data);
}

TEST_F(CliNamesTest, AnExplicitOutputWinsOverTheStoredName) {
  const Bytes data = RandomBytes(400, 8);
  const std::string picture = Hide(kSealed, "report.docx", data);
  const std::string chosen = (fs::path(out) / "chosen.bin").string();
  ASSERT_EQ(Run({"extract", picture, "--output", chosen}, kSealed.extract_options).status, 0);
  EXPECT_EQ(ReadAll(chosen), data);
  EXPECT_EQ(FilesUnder(out), std::vector<std::string>{"chosen.bin"});
}

// Without --output or --output-dir the file goes into the current folder:
// the real program, run there.
TEST_F(CliNamesTest, WithoutAFolderTheFileGoesIntoTheCurrentOne) {
  const Bytes data = RandomBytes(400, 9);
  const std::string picture = Hide(kSealed, "backup.tar.gz", data);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (chdir(out.c_str()) != 0) _exit(99);
    ::execl(VEILWRIGHT_CLI, VEILWRIGHT_CLI, "extract", picture.c_str(), "--password", "pw",
            static_cast<char*>(nullptr));
    _exit(98);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(FilesUnder(out), std::vector<std::string>{"backup.tar.gz"});
  EXPECT_EQ(ReadAll((fs::path(out) / "backup.tar.gz").string()), data);
}

// Pictures made by the program before names were kept (tests/data/old-layouts).
TEST_F(CliNamesTest, PicturesMadeBeforeNamesWereKeptStillOpenWithTheirExtension) {
  const fs::path data_dir = VEILWRIGHT_OLD_LAYOUTS;
  const CliRun sealed =
      Run({"extract", (data_dir / "sealed-layout1.bmp").string(), "--output-dir", out, "--password", "old pw"});
  ASSERT_EQ(sealed.status, 0) << sealed.err;
  const std::string sealed_text = "old layout sealed file\n";
  EXPECT_EQ(ReadAll((fs::path(out) / "output.msg").string()), Bytes(sealed_text.begin(), sealed_text.end()));

  const CliRun stealth = Run({"extract", (data_dir / "stealth-layout1.png").string(), "--output-dir", out, "--stealth",
                              "--password", "old pw"});
  ASSERT_EQ(stealth.status, 0) << stealth.err;
  const std::string stealth_text = "old layout stealth file\n";
  EXPECT_EQ(ReadAll((fs::path(out) / "output.txt").string()), Bytes(stealth_text.begin(), stealth_text.end()));
  EXPECT_EQ(FilesUnder(out), (std::vector<std::string>{"output.msg", "output.txt"}));

  const CliRun inspect = Run({"inspect", (data_dir / "sealed-layout1.bmp").string()});
  EXPECT_NE(inspect.out.find("file length: 23 bytes"), std::string::npos) << inspect.out;
}

}  // namespace
}  // namespace veil::test
