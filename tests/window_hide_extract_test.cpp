#include <filesystem>

#include "support/reference_carrier.h"
#include "support/window_fixture.h"

namespace veil::test {
namespace {

class HideExtractTest : public WindowFixture {
 protected:
  void SetUp() override {
    Load();
    cover = dir.File("cover.bmp");
    payload = dir.File("notes.txt");
    clean = MakeBmp(54 + 12 + 12 * 1000);
    data = RandomBytes(2000, 3);
    WriteAll(cover, clean);
    WriteAll(payload, data);
  }

  void TickPassword(const std::string& first, const std::string& second) {
    Set("ChkPassword", "Value", 1.0);
    form.Click("ChkPassword");
    Set("Text4", "Text", first);
    Set("Text5", "Text", second);
  }

  void HideWithUi() {
    OpenCover(cover);
    ChoosePayload(payload);
    form.Click("cmdadd");
  }

  std::string cover, payload;
  Bytes clean, data;
};

TEST_F(HideExtractTest, PreconditionsAreCheckedInOrder) {
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"  请先选择图片！  ", "错误 ", 16}}));
  OpenCover(cover);
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   请选择需要加密的文件！   ", "注意", 48}}));
  ChoosePayload(cover);
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes().back(), (Box{"不能把图片本身隐藏到这张图片中，请选择其他文件！", "错误", 16}));
  ChoosePayload(payload);
  TickPassword("abc", "ABC");
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{" 密码不相同！！", "警告！", 16}}));
  TickPassword("123456789", "123456789");
  form.Click("cmdadd");
  TickPassword("p\xC3\xA4ss", "p\xC3\xA4ss");
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"密码最长八位，只能使用英文字母、数字和符号！", "警告！", 16},
                                           {"密码最长八位，只能使用英文字母、数字和符号！", "警告！", 16}}));
  EXPECT_EQ(ReadAll(cover), clean);

  WriteAll(cover, ReferenceHide(clean, data, "txt", "", false));
  OpenCover(cover);
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   图片内有隐藏信息，不可再次加入文件！  ", "错误", 16}}));
}

TEST_F(HideExtractTest, PictureWithoutRoomForTheHeaderIsTooSmallNotReadOnly) {
  // 1 x 1 pixels: 4 bytes of pixel array, less than the hidden header.
  clean = MakeBmp(58);
  WriteAll(cover, clean);
  OpenCover(cover);
  EXPECT_EQ(Text("Labtmp", "Caption"), "这张图片没有加密文件，可用于执行加密操作");
  ChoosePayload(payload);
  WriteAll(payload, {});
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"    按下[确定]键将开始执行加密    ", "准备", 64},
                                           {"文件太大，无法完成加密保护！", "注意", 16}}));
  EXPECT_EQ(ReadAll(cover), clean);
  EXPECT_EQ(state.hasHiddenFile, 0);
}

TEST_F(HideExtractTest, HidingLeavesAProfileAfterThePixelsAlone) {
  clean = MakeV5BmpWithProfile(40, 40, 9000);  // pixels from 138 to 4938
  WriteAll(cover, clean);
  data = RandomBytes(1230, 4);  // (4800 - 12) / 12 * 3 = 1197 fit
  WriteAll(payload, data);
  HideWithUi();
  EXPECT_EQ(TakeBoxes().back(), (Box{"文件太大，无法完成加密保护！", "注意", 16}));
  EXPECT_EQ(ReadAll(cover), clean);
  data.resize(1197);
  WriteAll(payload, data);
  HideWithUi();
  EXPECT_EQ(TakeBoxes().back(), (Box{"加密完成！", "消息", 64}));
  const Bytes marked = ReadAll(cover);
  EXPECT_TRUE(std::equal(clean.begin() + 4938, clean.end(), marked.begin() + 4938));
  EXPECT_EQ(ReferenceExtract(marked).data, data);
}

TEST_F(HideExtractTest, AnotherProgramsGroupsPastThePixelArrayStillExtract) {
  Bytes theirs = MakeBmp(54 + 12 * 10);  // 120 bytes of pixel array
  theirs.resize(theirs.size() + 600, 0x55);
  data = RandomBytes(150, 3);  // groups up to byte 666
  WriteAll(cover, ReferenceHide(theirs, data, "bin", "", false));
  OpenCover(cover);
  EXPECT_EQ(Text("Labtmp", "Caption"), "图片内有文件");
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes().at(1), (Box{" 文件解密完成！", "完成", 64}));
  EXPECT_EQ(ReadAll(state.outputFolder + "output.bin"), data);
}

TEST_F(HideExtractTest, HideWithPasswordThenExtractWithIt) {
  TickPassword("abc", "abc");
  HideWithUi();
  EXPECT_EQ(TakeBoxes(),
            (std::vector<Box>{{"    按下[确定]键将开始执行加密    ", "准备", 64}, {"加密完成！", "消息", 64}}));
  EXPECT_EQ(state.passwordText, "abc     ");
  EXPECT_EQ(state.passwordLength, 3);
  EXPECT_EQ(ReadAll(cover), ReferenceHide(clean, data, "txt", "abc", true));
  EXPECT_EQ(state.hasHiddenFile, 1);
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes().at(0).text, "   图片内有隐藏信息，不可再次加入文件！  ");

  OpenCover(cover);
  boxes.QueueInput("abc");
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  const std::string output = state.outputFolder + "output.txt";
  EXPECT_EQ(boxes.Prompts(), (std::vector<Box>{{"请输入密码： ", "核实权限", 0}}));
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   加密文件即将解压到：  " + output, "准备开始", 64},
                                           {" 文件解密完成！", "完成", 64},
                                           {"     您现在查看文件吗？     ", "选择", 36}}));
  EXPECT_EQ(ReadAll(output), data);
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3) << "staging file left behind";
}

TEST_F(HideExtractTest, PasswordIsComparedExactlyAndCheckedBeforeAnyOutputExists) {
  TickPassword("abc", "abc");
  HideWithUi();
  OpenCover(cover);
  TakeBoxes();
  for (const char* wrong : {"abc ", "ABC", ""}) {
    boxes.QueueInput(wrong);
    form.Click("cmdout");
    EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"对不起，您无权取出文件！", "密码不正确", 16}}));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  EXPECT_EQ(ReadAll(cover), ReferenceHide(clean, data, "txt", "abc", true));
}

TEST_F(HideExtractTest, UntickedPasswordAfterAnEarlierOneStoresNone) {
  TickPassword("abc", "abc");
  HideWithUi();
  WriteAll(cover, clean);
  Set("ChkPassword", "Value", 0.0);
  form.Click("ChkPassword");
  EXPECT_FALSE(std::get<bool>(*controls.Find("Text4")->Get("Enabled")));
  HideWithUi();
  EXPECT_EQ(ReadAll(cover), ReferenceHide(clean, data, "txt", "", false));
}

// A file the desktop has no program for is kept, and the user told so; the
// delete question that follows declines on Enter (No is its default).
TEST_F(HideExtractTest, AFileThatCannotBeViewedIsSaidSoAndEnterKeepsIt) {
  HideWithUi();
  OpenCover(cover);
  TakeBoxes();
  shell.can_open = false;
  boxes.QueueAnswer(kAnswerYes);
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  const std::string output = state.outputFolder + "output.txt";
  const auto shown = TakeBoxes();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[3], (Box{"没有可以打开这个文件的程序，文件仍然保留在原处：" + output, "消息", 64}));
  EXPECT_EQ(shown[4].text, "  您要删除解压出来的文件吗？  ");
  EXPECT_TRUE(DefaultsToNo(shown[4].style) && IsQuestion(shown[4].style));
  EXPECT_EQ(ReadAll(output), data);
}

TEST_F(HideExtractTest, ViewDeleteAndWipe) {
  HideWithUi();
  Set("ChkclearBmp", "Value", 1.0);
  form.Click("ChkclearBmp");
  OpenCover(cover);
  TakeBoxes();
  boxes.QueueAnswer(kAnswerYes);
  boxes.QueueAnswer(kAnswerYes);
  form.Click("cmdout");
  const std::string output = state.outputFolder + "output.txt";
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   加密文件即将解压到：  " + output, "准备开始", 64},
                                           {" 文件解密完成！", "完成", 64},
                                           {"     您现在查看文件吗？     ", "选择", 36},
                                           {"  您要删除解压出来的文件吗？  ", "选择", 292},
                                           {output + "  已删除！", "消息", 64},
                                           {"    文件已清除    ", "消息", 64}}));
  EXPECT_EQ(shell.opened, (std::vector<std::string>{output}));
  EXPECT_FALSE(std::filesystem::exists(output));
  // The wipe destroys the file, not just its marker: with the marker put
  // back, the picture gives back something else; outside the bytes the
  // file took, nothing changed.
  const Bytes marked = ReferenceHide(clean, data, "txt", "", false);
  Bytes wiped = ReadAll(cover);
  ASSERT_EQ(wiped.size(), marked.size());
  EXPECT_EQ(U32At(wiped, 6), 0u);
  const std::size_t end = 54 + 20 + (data.size() + 2) / 3 * 12;
  for (std::size_t i = end; i < wiped.size(); ++i) ASSERT_EQ(wiped[i], marked[i]) << i;
  EXPECT_TRUE(std::equal(wiped.begin(), wiped.begin() + 6, marked.begin()));
  PutU32(wiped, 6, U32At(marked, 6));
  EXPECT_NE(ReferenceExtract(wiped).data, data);
  EXPECT_NE(ReferenceExtract(wiped).extension, "txt");
  EXPECT_EQ(Text("Labtmp", "Caption"), "加密文件已被清除！");
  EXPECT_EQ(Text("Text2"), "欲加密的文件：无");
  EXPECT_EQ(state.hasHiddenFile, 0);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"没有文件可以解压！", "错误", 16}}));
  OpenCover(cover);
  EXPECT_EQ(Text("Labtmp", "Caption"), "这张图片没有加密文件，可用于执行加密操作");
}

// A damaged picture is said to be damaged, not blamed on the output: a
// marker that promises more groups than the file holds, or a pixel offset
// the hidden file cannot start at. Nothing is asked, written or wiped.
TEST_F(HideExtractTest, DamagedPicturesAreSaidToBeDamaged) {
  HideWithUi();
  Set("ChkclearBmp", "Value", 1.0);
  form.Click("ChkclearBmp");
  const Bytes marked = ReadAll(cover);
  Bytes cut = marked;
  cut.resize(cut.size() - 12 * 400);
  Bytes far_offset = marked;
  PutU32(far_offset, 10, static_cast<std::uint32_t>(far_offset.size() - 4));
  Bytes far_protected = ReferenceHide(clean, data, "txt", "abc", true);
  PutU32(far_protected, 10, 0x7FFFFFFF);
  const std::string output = state.outputFolder + "output.txt";
  WriteAll(output, Bytes(5000, 0xAB));  // an earlier file of that name is not lost
  // Damaged on disk after the window inspected the whole picture.
  OpenCover(cover);
  TakeBoxes();
  for (const Bytes& damaged : {cut, far_offset, far_protected}) {
    WriteAll(cover, damaged);
    form.Click("cmdout");
    EXPECT_EQ(TakeBoxes(),
              (std::vector<Box>{
                  {"图片已损坏：图片头记录的隐藏文件超出了图片文件的实际内容（图片可能被截短或改动过），无法取出！",
                   "错误", 16}}));
    EXPECT_TRUE(boxes.Prompts().empty()) << "a password was asked of a damaged picture";
    EXPECT_EQ(ReadAll(cover), damaged);
    EXPECT_EQ(ReadAll(output), Bytes(5000, 0xAB));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
    EXPECT_NE(state.hasHiddenFile, 0);
  }
}

// Another program hides a file in the picture after the window inspected
// it: the hide reads the marker again and refuses before it asks to start,
// and the other file survives; the window then shows the picture as it is.
TEST_F(HideExtractTest, AFileHiddenMeanwhileIsNotOverwritten) {
  OpenCover(cover);
  ChoosePayload(payload);
  const Bytes theirs = ReferenceHide(clean, RandomBytes(90, 7), "dat", "", false);
  WriteAll(cover, theirs);
  TakeBoxes();
  form.Click("cmdadd");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   图片内有隐藏信息，不可再次加入文件！  ", "错误", 16}}));
  EXPECT_EQ(ReadAll(cover), theirs);
  EXPECT_EQ(Text("Labtmp", "Caption"), "图片内有文件");
  EXPECT_NE(state.hasHiddenFile, 0);
}

// The password gate follows the picture as it is when the extraction starts:
// ticking and unticking the password box opens nothing, and a password put
// on the picture since it was inspected is asked for.
TEST_F(HideExtractTest, PasswordGateFollowsThePicture) {
  WriteAll(cover, ReferenceHide(clean, data, "txt", "s3cret", true));
  OpenCover(cover);
  for (const double value : {1.0, 0.0}) {
    Set("ChkPassword", "Value", value);
    form.Click("ChkPassword");
  }
  boxes.QueueInput("nope");
  form.Click("cmdout");
  EXPECT_EQ(boxes.Prompts(), (std::vector<Box>{{"请输入密码： ", "核实权限", 0}}));
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"对不起，您无权取出文件！", "密码不正确", 16}}));
  EXPECT_FALSE(std::filesystem::exists(state.outputFolder + "output.txt"));

  // Inspected without a password, given one on disk since, with the tick on.
  WriteAll(cover, ReferenceHide(clean, data, "txt", "", false));
  OpenCover(cover);
  Set("ChkPassword", "Value", 1.0);
  form.Click("ChkPassword");
  WriteAll(cover, ReferenceHide(clean, data, "txt", "s3cret", true));
  boxes.Clear();
  boxes.QueueInput("");
  form.Click("cmdout");
  EXPECT_EQ(boxes.Prompts().size(), 1u);
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"对不起，您无权取出文件！", "密码不正确", 16}}));
  EXPECT_FALSE(std::filesystem::exists(state.outputFolder + "output.txt"));

  // And the other way: no password on the picture, none asked, tick or not.
  WriteAll(cover, ReferenceHide(clean, data, "txt", "", false));
  boxes.Clear();
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_TRUE(boxes.Prompts().empty());
  EXPECT_EQ(ReadAll(state.outputFolder + "output.txt"), data);
}

// The stored extension is the chosen file's own, whatever picture was
// inspected between the choice and the hiding.
TEST_F(HideExtractTest, StoredExtensionIsTheChosenFilesOwn) {
  const std::string other = dir.File("holds-pdf.bmp");
  WriteAll(other, ReferenceHide(clean, RandomBytes(100, 2), "pdf", "", false));
  OpenCover(cover);
  ChoosePayload(payload);
  OpenCover(other);
  EXPECT_EQ(state.hiddenExtension, "pdf");
  OpenCover(cover);
  form.Click("cmdadd");
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).extension, "txt");
  EXPECT_EQ(ReferenceExtract(ReadAll(cover)).data, data);
}

TEST_F(HideExtractTest, VersionTestAndUnwritableOutputFolder) {
  HideWithUi();
  OpenCover(cover);
  Bytes zeroed = ReadAll(cover);
  PutU32(zeroed, 6, 0);
  WriteAll(cover, zeroed);
  TakeBoxes();
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"      版本号不同，请升级软件！    ", "注意！", 16}}));

  WriteAll(cover, ReferenceHide(clean, data, "txt", "", false));
  OpenCover(cover);
  dialogs.QueueFolder((dir.Path() / "gone").string());
  form.Click("cmdchgOutPath");
  TakeBoxes();
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(),
            (std::vector<Box>{{"无法写入输出文件，请确认保存位置存在并且可以写入：" + state.outputPath, "错误", 16}}));
  EXPECT_NE(U32At(ReadAll(cover), 6), 0u);
}

TEST_F(HideExtractTest, AnExistingOutputIsReplacedWholeOnlyWhenTheUserSaysSo) {
  HideWithUi();
  OpenCover(cover);
  const std::string output = state.outputFolder + "output.txt";
  const Bytes kept(9000, 0xCD);
  WriteAll(output, kept);
  const Box question{"这个文件已经存在，要用解压出来的文件替换它吗？\n" + output, "警告！",
                     kStyleQuestionYesNoDefaultNo};
  TakeBoxes();
  // Enter answers No: the file stays, and the picture keeps its file.
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), std::vector<Box>{question});
  EXPECT_EQ(ReadAll(output), kept);
  EXPECT_NE(U32At(ReadAll(cover), 6), 0u);

  boxes.QueueAnswer(kAnswerYes);
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  const auto shown = TakeBoxes();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), question);
  EXPECT_EQ(ReadAll(output), data);
}

// A folder typed into Text3 is taken on Enter or when the box loses the
// focus, with the extraction target shown anew.
TEST_F(HideExtractTest, ATypedOutputFolderIsTakenWhenTheBoxIsLeft) {
  HideWithUi();
  OpenCover(cover);
  const std::string typed = (dir.Path() / "typed").string();
  std::filesystem::create_directory(typed);
  Set("Text3", "Text", typed);
  form.TextCommitted("Text3");
  EXPECT_EQ(state.outputFolder, typed + "/");
  EXPECT_EQ(Text("Text3"), typed + "/");
  EXPECT_EQ(Text("Text2"), "加密文件将被解压到：" + typed + "/output.txt");
  // Another box's edit changes nothing; an emptied box shows the folder again.
  Set("Text4", "Text", std::string("/elsewhere"));
  form.TextCommitted("Text4");
  Set("Text3", "Text", std::string());
  form.TextCommitted("Text3");
  EXPECT_EQ(state.outputFolder, typed + "/");
  EXPECT_EQ(Text("Text3"), typed + "/");
  TakeBoxes();
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(ReadAll(typed + "/output.txt"), data);
}

TEST_F(HideExtractTest, OutputFolderChoice) {
  dialogs.QueueFolder("/data/out");
  form.Click("cmdchgOutPath");
  EXPECT_EQ(state.outputFolder, "/data/out/");
  EXPECT_EQ(Text("Text3"), "/data/out/");
  EXPECT_EQ(dialogs.FolderTitles().back(), "选择解密文件夹");
  dialogs.QueueFolder("/");
  form.Click("cmdchgOutPath");
  EXPECT_EQ(state.outputFolder, "/");
  Set("Text3", "Text", std::string("/data/out"));
  dialogs.QueueFolder(std::nullopt);
  form.Click("cmdchgOutPath");
  EXPECT_EQ(state.outputFolder, "/data/out/");
  Set("Text3", "Text", std::string());
  dialogs.QueueFolder(std::nullopt);
  form.Click("cmdchgOutPath");
  EXPECT_EQ(state.outputFolder, "/");
  const std::string text2 = Text("Text2");
  EXPECT_EQ(text2, "请选择需要隐藏的文件（txt,doc,excel）");

  WriteAll(cover, ReferenceHide(clean, data, "doc", "", false));
  OpenCover(cover);
  dialogs.QueueFolder("/data/x");
  form.Click("cmdchgOutPath");
  EXPECT_EQ(state.outputPath, "/data/x/output.doc");
  EXPECT_EQ(Text("Text2"), "加密文件将被解压到：/data/x/output.doc");
  EXPECT_TRUE(boxes.Shown().empty());
}

// While a run works, the window keeps handling events, but no second command
// may start and share its files.
TEST_F(HideExtractTest, NoCommandStartsWhileARunWorks) {
  WriteAll(payload, RandomBytes(2400, 3));
  OpenCover(cover);
  ChoosePayload(payload);
  int attempts = 0;
  pump.OnYield([&] {
    ++attempts;
    form.Click("cmdout");
    form.Click("cmdopen");
    form.Click("Cmdexit");
    form.FileDropped("Text1", cover);
  });
  form.Click("cmdadd");
  EXPECT_GT(attempts, 1);
  EXPECT_EQ(TakeBoxes().size(), 2u);  // the confirmation and the completion
  EXPECT_EQ(environment.ended, 0);
  EXPECT_FALSE(form.Busy());
}

}  // namespace
}  // namespace veil::test
