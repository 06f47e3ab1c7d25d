// What the extract command's output is, and what viewing and deleting it do:
// the same rules as the command-line program's outputs, and a file from a
// picture never runs.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <future>

#include "support/reference_carrier.h"
#include "support/window_fixture.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

class WindowOutputsTest : public WindowFixture {
 protected:
  void SetUp() override { Load(); }

  // A picture holding data under the extension ext, opened in the window.
  void OpenMarked(const std::string& ext) {
    cover = dir.File("cover.bmp");
    WriteAll(cover, ReferenceHide(MakeBmp(54 + 12 + 12 * 300), data, ext, "", false));
    OpenCover(cover);
    output = state.outputFolder + "output." + ext;
    TakeBoxes();
  }
  std::vector<Box> Extract(std::vector<int> answers) {
    for (int answer : answers) boxes.QueueAnswer(answer);
    form.Click("cmdout");
    return TakeBoxes();
  }

  Bytes data = RandomBytes(900, 21);
  std::string cover, output;
};

TEST_F(WindowOutputsTest, ViewingAProgramOpensItsFolderAndNeverRunsIt) {
  // Programs, scripts, installers, shortcuts, help files and web pages, and
  // names Windows would strip a trailing blank or dot from.
  for (const char* ext :
       {"exe", "bat", "JAR", "ps1", "lnk", ".sh", "msp", "msc", "scf", "sct", "wsc", "shb", "shs", "url",
        "chm", "hlp", "inf", "ins", "isp", "js ", "vb.", "htm", "svg", "xml", "iso", "cab", "p_f", "zz1"}) {
    SCOPED_TRACE(ext);
    OpenMarked(ext);
    shell.opened.clear();
    shell.shown_in_folder.clear();
    Extract({kAnswerYes, kAnswerNo});
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(shell.shown_in_folder, std::vector<std::string>{output});
    EXPECT_EQ(ReadAll(output), data);
#ifndef _WIN32  // Windows reports execute permission by the name alone
    EXPECT_EQ(
        fs::status(output).permissions() & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec),
        fs::perms::none);
#endif
  }
  // Documents, pictures, sound, video and archives open, in any letter case.
  for (const char* ext : {"txt", "pdf", "doc", "XLS", "png", "JPG", "gif", "bmp", "mp3", "wav", "ogg", "mp4", "mkv",
                          "avi", "zip", "7z_", "rar"}) {
    SCOPED_TRACE(ext);
    OpenMarked(ext);
    shell.opened.clear();
    shell.shown_in_folder.clear();
    Extract({kAnswerYes, kAnswerNo});
    const bool viewable = std::string(ext) != "7z_";
    EXPECT_EQ(shell.opened, viewable ? std::vector<std::string>{output} : std::vector<std::string>{});
    EXPECT_EQ(shell.shown_in_folder, viewable ? std::vector<std::string>{} : std::vector<std::string>{output});
  }
}

TEST_F(WindowOutputsTest, AFileThatCannotBeDeletedIsSaidToStay) {
  OpenMarked("txt");
  shell.refuse_removal = true;
  const auto shown = Extract({kAnswerYes, kAnswerYes});
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), (Box{"无法删除这个文件，它仍然保留在原处：" + output, "错误", 16}));
  for (const auto& box : shown) EXPECT_EQ(box.text.find("已删除"), std::string::npos);
  EXPECT_EQ(ReadAll(output), data);
}

// A picture named output.bmp in the output folder, holding a BMP: the
// extraction would write over the picture it reads.
TEST_F(WindowOutputsTest, TheOutputIsNeverThePictureItself) {
  cover = state.outputFolder + "output.bmp";
  WriteAll(cover, ReferenceHide(MakeBmp(54 + 12 + 12 * 300), data, "bmp", "", false));
  const Bytes holding = ReadAll(cover);
  OpenCover(cover);
  TakeBoxes();
  Set("ChkclearBmp", "Value", 1.0);
  EXPECT_EQ(Extract({}), (std::vector<Box>{{"不能把文件解压到图片本身，请选择其他保存位置：" + cover, "错误", 16}}));
  EXPECT_EQ(ReadAll(cover), holding);
}

#ifndef _WIN32
TEST_F(WindowOutputsTest, OutputNamesFollowTheSameRulesAsTheCommandLine) {
  // A link named output.txt: its target is written, the link stays.
  OpenMarked("txt");
  fs::create_directory(dir.File("elsewhere"));
  fs::create_symlink(dir.File("elsewhere/kept.txt"), output);
  Extract({kAnswerNo});
  EXPECT_TRUE(fs::is_symlink(output));
  EXPECT_EQ(ReadAll(dir.File("elsewhere/kept.txt")), data);
  fs::remove(output);

  // A FIFO named output.dat, with a reader: written through, never replaced,
  // and viewing it shows its folder.
  OpenMarked("dat");
  ASSERT_EQ(::mkfifo(output.c_str(), 0600), 0);
  auto received = std::async(std::launch::async, [this] {
    const int fd = ::open(output.c_str(), O_RDONLY);
    Bytes bytes(10000);
    std::size_t got = 0;
    for (ssize_t n; (n = ::read(fd, bytes.data() + got, bytes.size() - got)) > 0;) got += static_cast<std::size_t>(n);
    ::close(fd);
    bytes.resize(got);
    return bytes;
  });
  shell.shown_in_folder.clear();
  Extract({kAnswerYes, kAnswerNo});
  EXPECT_EQ(received.get(), data);
  EXPECT_TRUE(fs::is_fifo(output));
  EXPECT_EQ(shell.shown_in_folder, std::vector<std::string>{output});
  fs::remove(output);

  // A folder named output.bin is refused, and nothing is written.
  OpenMarked("bin");
  fs::create_directory(output);
  EXPECT_EQ(Extract({}),
            (std::vector<Box>{{"无法写入输出文件，请确认保存位置存在并且可以写入：" + output, "错误", 16}}));
  EXPECT_TRUE(fs::is_empty(output));
}
#endif

}  // namespace
}  // namespace veil::test
