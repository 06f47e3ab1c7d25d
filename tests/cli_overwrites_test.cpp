// What the command line writes over: never the picture or the file being
// hidden, whatever their spelling; never a picture that holds a hidden file;
// an existing file only with --force. In every form, hiding and extracting.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_app.h"
#include "support/cli_runner.h"
#include "support/png_test_files.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

struct Form {
  const char* name;
  std::vector<std::string> hide_options, extract_options;
  bool png = false;
};

const std::vector<Form>& Forms() {
  static const std::vector<Form> forms = {
      {"plain", {}, {}},
      {"sealed", {"--seal", "--password", "pw", "--weak-password"}, {"--password", "pw"}},
      {"stealth", {"--stealth", "--password", "pw", "--weak-password"}, {"--stealth", "--password", "pw"}, true},
  };
  return forms;
}

class CliOverwritesTest : public ::testing::Test {
 protected:
  CliRun Run(std::vector<std::string> args, const std::vector<std::string>& more = {}) {
    args.insert(args.end(), more.begin(), more.end());
    return RunCliHere(args);
  }
  // A clean cover for the form, and the file to hide.
  void Prepare(const Form& form) {
    cover = dir.File(form.png ? "cover.png" : "cover.bmp");
    clean = form.png ? EncodePng(MakeTestPicture(256, 192, 6, 8, false, 17)) : MakeBmp(54 + 12 + 12 * 2000);
    WriteAll(cover, clean);
    payload = dir.File("note.txt");
    WriteAll(payload, data);
  }
  // A picture of the form holding data, at path.
  void MakeMarked(const Form& form, const std::string& path) {
    const CliRun hidden = Run({"hide", cover, payload, "--output", path, "--force"}, form.hide_options);
    ASSERT_EQ(hidden.status, 0) << hidden.err;
  }

  TempDir dir;
  std::string cover, payload;
  Bytes clean, data = RandomBytes(300, 4);
};

TEST_F(CliOverwritesTest, HideRefusesAnOutputThatIsThePictureOrTheFileBeingHidden) {
  for (const Form& form : Forms()) {
    SCOPED_TRACE(form.name);
    Prepare(form);
    fs::create_directory(dir.File("sub"));
    fs::create_symlink(payload, dir.File("link-to-note"));
    for (const std::string& output : {payload, dir.File("sub/../note.txt"), dir.File("link-to-note")}) {
      const CliRun run = Run({"hide", cover, payload, "--output", output, "--force"}, form.hide_options);
      EXPECT_EQ(run.status, 1) << output;
      EXPECT_NE(run.err.find("the file being hidden"), std::string::npos) << run.err;
    }
    const std::string cover_spelling = dir.File("sub/../") + fs::path(cover).filename().string();
    const CliRun onto_cover = Run({"hide", cover, payload, "--output", cover_spelling, "--force"}, form.hide_options);
    EXPECT_EQ(onto_cover.status, 1);
    EXPECT_NE(onto_cover.err.find("itself; leave --output out to hide in the picture in place"), std::string::npos)
        << onto_cover.err;
    EXPECT_EQ(ReadAll(payload), data);
    EXPECT_EQ(ReadAll(cover), clean);
    fs::remove(dir.File("link-to-note"));
    fs::remove(dir.File("sub"));
  }
}

TEST_F(CliOverwritesTest, HideReplacesAnExistingFileOnlyWithForce) {
  for (const Form& form : Forms()) {
    SCOPED_TRACE(form.name);
    Prepare(form);
    const std::string copy = dir.File("copy.pic");
    const Bytes existing = RandomBytes(5000, 8);
    WriteAll(copy, existing);
    const CliRun refused = Run({"hide", cover, payload, "--output", copy}, form.hide_options);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(copy + " already exists; give --force to replace it (nothing was written)"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadAll(copy), existing);
    const CliRun forced = Run({"hide", cover, payload, "--output", copy, "--force"}, form.hide_options);
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(ReadAll(copy), existing);
    EXPECT_EQ(ReadAll(cover), clean);
  }
}

TEST_F(CliOverwritesTest, HideNeverReplacesAPictureThatHoldsAHiddenFile) {
  const Form& plain = Forms()[0];
  Prepare(plain);
  const std::string marked = dir.File("marked.bmp");
  MakeMarked(plain, marked);
  const Bytes holding = ReadAll(marked);
  for (const Form& form : {Forms()[0], Forms()[1]}) {
    SCOPED_TRACE(form.name);
    for (const std::vector<std::string>& force : {std::vector<std::string>{}, {"--force"}}) {
      std::vector<std::string> options = form.hide_options;
      options.insert(options.end(), force.begin(), force.end());
      const CliRun run = Run({"hide", cover, payload, "--output", marked}, options);
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.err.find(marked + " already holds a hidden file, which replacing it would lose"), std::string::npos)
          << run.err;
      EXPECT_EQ(ReadAll(marked), holding);
    }
  }
}

TEST_F(CliOverwritesTest, ExtractReplacesAnExistingFileOnlyWithForce) {
  for (const Form& form : Forms()) {
    SCOPED_TRACE(form.name);
    Prepare(form);
    const std::string marked = dir.File(std::string("marked-") + form.name + (form.png ? ".png" : ".bmp"));
    MakeMarked(form, marked);
    const Bytes existing = RandomBytes(100, 2);
    // In a folder the file takes the name the picture stores: the plain
    // form's "output." and extension, the others' the payload's own.
    const std::string folder = dir.File("out");
    std::filesystem::create_directories(folder);
    const std::string named = dir.File("back.txt"),
                      in_folder =
                          (fs::path(folder) / (std::string(form.name) == "plain" ? "output.txt" : "note.txt")).string();
    for (const std::vector<std::string>& where :
         {std::vector<std::string>{"--output", named}, {"--output-dir", folder}}) {
      const std::string output = where[0] == "--output" ? named : in_folder;
      SCOPED_TRACE(where[0]);
      WriteAll(output, existing);
      std::vector<std::string> options = form.extract_options;
      options.insert(options.end(), where.begin(), where.end());
      const CliRun refused = Run({"extract", marked}, options);
      EXPECT_EQ(refused.status, 1);
      EXPECT_NE(refused.err.find(output + " already exists; give --force to replace it (nothing was written)"),
                std::string::npos)
          << refused.err;
      EXPECT_EQ(ReadAll(output), existing);
      options.push_back("--force");
      const CliRun forced = Run({"extract", marked}, options);
      EXPECT_EQ(forced.status, 0) << forced.err;
      EXPECT_EQ(ReadAll(output), data);
    }
  }
}

TEST_F(CliOverwritesTest, ExtractNeverWritesOverThePicture) {
  for (const Form& form : Forms()) {
    SCOPED_TRACE(form.name);
    Prepare(form);
    const std::string marked = dir.File(std::string("marked-") + form.name + (form.png ? ".png" : ".bmp"));
    MakeMarked(form, marked);
    const Bytes holding = ReadAll(marked);
    fs::remove(dir.File("link.pic"));
    fs::create_symlink(marked, dir.File("link.pic"));
    std::vector<std::string> options = form.extract_options;
    options.insert(options.end(), {"--output", dir.File("link.pic"), "--force"});
    const CliRun run = Run({"extract", marked}, options);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("writing the hidden file there would destroy the picture"), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(marked), holding);
  }
}

}  // namespace
}  // namespace veil::test
