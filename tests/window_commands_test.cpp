#include <filesystem>

#include "platform/system_folders.h"
#include "support/reference_carrier.h"
#include "support/window_fixture.h"

namespace veil::test {
namespace {

class StartUpTest : public WindowFixture {};

TEST_F(StartUpTest, SetsSharedStateFolderAndCentresTheWindow) {
  state.passwordText = "junk";
  state.hasHiddenFile = 9;
  environment.program_folder = "/opt/tools";
  environment.screen = {19201, 10801};
  environment.window = {10080, 6570};
  Load();
  EXPECT_EQ(state.formatVersion, 0x10000000);
  EXPECT_EQ(state.hasHiddenFile, 0);
  EXPECT_EQ(state.passwordText, "00000000");
  EXPECT_EQ(Text("Text3"), "/opt/tools");
  EXPECT_EQ(state.outputFolder, "/opt/tools/");
  ASSERT_EQ(environment.moves.size(), 1u);
  EXPECT_EQ(environment.moves[0].width, 4560);  // (19201 - 10080) div 2
  EXPECT_EQ(environment.moves[0].height, 2115);
  EXPECT_EQ(form.designWidth, 9840);
  EXPECT_EQ(form.designHeight, 5730);
  EXPECT_EQ(Text("Label1", "Tag"), "120 360 720 180 9 ");
  EXPECT_EQ(Text("cmdadd", "Tag"), "7800 1680 1695 615 14.25 ");
  EXPECT_EQ(Text("Imagepre", "Tag"), "120 240 3015 2775 ");
  EXPECT_EQ(Text("open", "Tag"), "");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(StartUpTest, RootFolderGetsNoSecondSeparatorAndLargeWindowsGoNegative) {
  environment.program_folder = "/";
  environment.screen = {8000, 5000};
  environment.window = {10081, 6571};
  Load();
  EXPECT_EQ(state.outputFolder, "/");
  EXPECT_EQ(environment.moves[0].width, -1040);  // -2081 / 2, towards zero
  EXPECT_EQ(environment.moves[0].height, -785);
}

TEST_F(StartUpTest, ClearPreferenceComesFromTheStoreAndOddValuesCountAsZero) {
  for (auto [stored, expected] : std::vector<std::pair<std::optional<std::string>, int>>{
           {std::nullopt, 0}, {"0", 0}, {"1", 1}, {" 1 ", 1}, {"2", 2}, {"7", 0}, {"-1", 0}, {"yes", 0}, {"", 0}}) {
    WindowFixture::SetUp();
    settings.values.clear();
    if (stored) settings.values["Nerox/Murkquill/clearBMP"] = *stored;
    Set("ChkclearBmp", "Value", 1.0);  // the state of an earlier run must not leak through
    form.Form_Load();
    EXPECT_EQ(Number("ChkclearBmp", "Value"), expected) << stored.value_or("(none)");
    EXPECT_EQ(state.clearAfterExtract, expected != 0);
  }
}

TEST_F(StartUpTest, AProgramFolderTheUserCannotWriteInGivesWayToTheDocumentsFolder) {
  environment.program_folder = "/usr/bin";
  environment.unwritable_folders = {"/usr/bin"};
  environment.documents_folder = "/home/ann/Documents";
  Load();
  EXPECT_EQ(Text("Text3"), "/home/ann/Documents");
  EXPECT_EQ(state.outputFolder, "/home/ann/Documents/");
}

// Root may write into /usr/bin: the folder is still no place for its files.
TEST_F(StartUpTest, ASystemFolderGivesWayToTheDocumentsFolderEvenWhereWritable) {
  environment.program_folder = "/usr/bin";
  environment.system_folders = {"/usr/bin"};
  environment.documents_folder = "/root/Documents";
  Load();
  EXPECT_EQ(Text("Text3"), "/root/Documents");
  EXPECT_EQ(state.outputFolder, "/root/Documents/");
}

TEST(SystemFolders, AFolderLiesInAnotherByWholeNamesOnly) {
  const std::vector<std::string> linux_folders = LinuxSystemFolders();
  EXPECT_TRUE(LiesInAnyFolder("/usr/bin", linux_folders, '/', false));
  EXPECT_TRUE(LiesInAnyFolder("/usr", linux_folders, '/', false));
  EXPECT_TRUE(LiesInAnyFolder("/opt/veilwright/bin", linux_folders, '/', false));
  EXPECT_FALSE(LiesInAnyFolder("/usrdata/veilwright", linux_folders, '/', false));
  EXPECT_FALSE(LiesInAnyFolder("/home/ann/usr/bin", linux_folders, '/', false));
  EXPECT_FALSE(LiesInAnyFolder("/root", linux_folders, '/', false));
  EXPECT_FALSE(LiesInAnyFolder("/", linux_folders, '/', false));

  const std::vector<std::string> windows_folders = {"C:\\Program Files", "C:\\Windows\\"};
  EXPECT_TRUE(LiesInAnyFolder("c:\\program files\\Veilwright", windows_folders, '\\', true));
  EXPECT_TRUE(LiesInAnyFolder("C:\\WINDOWS", windows_folders, '\\', true));
  EXPECT_FALSE(LiesInAnyFolder("C:\\Program Files (x86)", windows_folders, '\\', true));
  EXPECT_FALSE(LiesInAnyFolder("D:\\Tools\\Veilwright", windows_folders, '\\', true));
  EXPECT_FALSE(LiesInAnyFolder("c:\\program files", windows_folders, '\\', false));
}

// The file dialogs start where the user last chose a file, and at first in
// the pictures folder; the folder browser at the output folder in use.
TEST_F(StartUpTest, DialogsStartAtTheLastFolderUsedOrThePicturesFolder) {
  Load();
  const std::string pictures = (dir.Path() / "Pictures").string();
  std::filesystem::create_directory(pictures);
  environment.pictures_folder = pictures;
  const std::string cover = pictures + "/cover.bmp";
  WriteAll(cover, MakeBmp(54 + 12 + 12 * 300));
  std::filesystem::create_directory(dir.Path() / "notes");
  const std::string payload = (dir.Path() / "notes" / "a.txt").string();
  WriteAll(payload, RandomBytes(10, 1));

  dialogs.QueueFile(std::nullopt);
  form.Click("cmdopen");
  dialogs.QueueFile(cover);
  form.Click("cmdopen");
  dialogs.QueueFile(payload);
  form.Click("CmdMsgSelect");
  dialogs.QueueFile(std::nullopt);
  form.Click("cmdopen");
  std::vector<std::string> starts;
  for (const auto& request : dialogs.FileRequests()) starts.push_back(request.initial_dir);
  EXPECT_EQ(starts, (std::vector<std::string>{pictures, pictures, pictures, (dir.Path() / "notes").string()}));

  dialogs.QueueFolder(std::nullopt);
  form.Click("cmdchgOutPath");
  Set("Text3", "Text", (dir.Path() / "gone").string());
  form.TextCommitted("Text3");
  dialogs.QueueFolder(std::nullopt);
  form.Click("cmdchgOutPath");
  EXPECT_EQ(dialogs.FolderStarts(), (std::vector<std::string>{dir.Path().string(), pictures}));
}

TEST_F(StartUpTest, ExitAndMenuItems) {
  Load();
  form.Click("help");
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(environment.ended, 0);
  form.Click("out");
  form.Click("Cmdexit");
  EXPECT_EQ(environment.ended, 2);
  dialogs.QueueFile(std::nullopt);
  form.Click("open");  // the menu item opens the same dialog as cmdopen
  ASSERT_EQ(dialogs.FileRequests().size(), 1u);
  EXPECT_EQ(dialogs.FileRequests()[0].title, "打开 BMP图片");
  EXPECT_EQ(dialogs.FileRequests()[0].filter, "*.bmp");
  EXPECT_EQ(dialogs.FileRequests()[0].initial_dir, environment.pictures_folder);
}

class CoverInspectionTest : public WindowFixture {
 protected:
  void SetUp() override { Load(); }
};

TEST_F(CoverInspectionTest, CleanPictureShowsCapacity) {
  const std::string cover = dir.File("clean.bmp");
  WriteAll(cover, MakeBmp(921654));
  OpenCover(cover);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(state.coverPath, cover);
  EXPECT_EQ(state.hasHiddenFile, 0);
  EXPECT_EQ(Text("Text1"), "宿主图片:" + cover);
  EXPECT_EQ(Text("Labtmp", "Caption"), "这张图片没有加密文件，可用于执行加密操作");
  EXPECT_EQ(Text("Text2"), "您可以加密的文件大小不超过225KB");
  EXPECT_EQ(Text("Imagepre", "Picture"), cover);
  EXPECT_FALSE(files.IsOpen(1));
}

TEST_F(CoverInspectionTest, MarkedPictureShowsWhereTheFileWillGo) {
  const std::string cover = dir.File("marked.bmp");
  WriteAll(cover, ReferenceHide(MakeBmp(500, 70), RandomBytes(20, 1), "txt", "abc", true));
  Set("labfinish", "Caption", std::string("100%"));
  OpenCover(cover);
  EXPECT_EQ(state.hasHiddenFile, 0x18000014);
  EXPECT_EQ(state.hiddenExtension, "txt");
  EXPECT_EQ(state.outputPath, state.outputFolder + "output.txt");
  EXPECT_EQ(Text("Text2"), "加密文件将被解压到：" + state.outputPath);
  EXPECT_EQ(Text("Labtmp", "Caption"), "图片内有文件");
  EXPECT_EQ(Text("labfinish", "Caption"), "");

  WriteAll(cover, ReferenceHide(MakeBmp(500), RandomBytes(20, 1), "TXT", "", false));
  OpenCover(cover);
  EXPECT_EQ(state.hasHiddenFile, 0x10000014);
  EXPECT_EQ(state.hiddenExtension, "TXT");
}

TEST_F(CoverInspectionTest, StoredExtensionCannotEscapeTheOutputFolder) {
  const std::string cover = dir.File("evil.bmp");
  WriteAll(cover, ReferenceHide(MakeBmp(500), RandomBytes(20, 1), "/..", "", false));
  OpenCover(cover);
  EXPECT_EQ(state.outputPath, state.outputFolder + "output._..");
}

TEST_F(CoverInspectionTest, RefusedPicturesDoNotBecomeTheCover) {
  const std::string good = dir.File("good.bmp");
  WriteAll(good, MakeBmp(921654));
  OpenCover(good);
  const std::string before = Text("Text2");

  const std::string eight_bit = dir.File("eight.bmp");
  WriteAll(eight_bit, MakeBmp(5000, 54, 8));
  OpenCover(eight_bit);
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"图片不是BMP格式，请选择BMP图片！", "Veilwright", 16}}));
  EXPECT_EQ(state.coverPath, good);
  EXPECT_EQ(Text("Text2"), before);

  const std::string missing = dir.File("missing.bmp");
  OpenCover(missing);
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"无法读取这个文件，请确认文件存在并且可以读取！", "Veilwright", 16}}));
  EXPECT_FALSE(std::filesystem::exists(missing)) << "inspection created a file";
  EXPECT_EQ(state.coverPath, good);

  // 24 bits at offset 28 make no BMP: the signature counts too.
  const std::string not_a_picture = dir.File("fake.bmp");
  Bytes fake = MakeBmp(5000);
  fake[0] = 'X';
  WriteAll(not_a_picture, fake);
  OpenCover(not_a_picture);
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"图片不是BMP格式，请选择BMP图片！", "Veilwright", 16}}));
  EXPECT_EQ(state.coverPath, good);
  EXPECT_EQ(Text("Text2"), before);

  const std::string tiny = dir.File("tiny.bmp");
  WriteAll(tiny, Bytes(20, 24));
  OpenCover(tiny);
  EXPECT_EQ(TakeBoxes().at(0).text, "图片不是BMP格式，请选择BMP图片！");

  // A picture that stops being readable while chosen is dropped as the cover.
  std::filesystem::remove(good);
  dialogs.QueueFile(std::nullopt);
  form.Click("cmdopen");
  EXPECT_EQ(TakeBoxes().size(), 1u);
  EXPECT_EQ(state.coverPath, "");
}

// The current picture, changed on disk and refused when it is inspected
// again, takes what the window showed of it along: no preview, path, hint or
// status of a picture that is no longer the cover.
TEST_F(CoverInspectionTest, RefusingTheCurrentPictureClearsWhatTheWindowShowedOfIt) {
  const std::string cover = dir.File("changing.bmp");
  for (const bool remove : {false, true}) {
    SCOPED_TRACE(remove ? "deleted" : "no longer 24-bit");
    WriteAll(cover, ReferenceHide(MakeBmp(9000), RandomBytes(30, 1), "txt", "", false));
    OpenCover(cover);
    ASSERT_EQ(Text("Imagepre", "Picture"), cover);
    ASSERT_EQ(Text("Labtmp", "Caption"), "图片内有文件");
    Set("labfinish", "Caption", std::string("100%"));
    if (remove)
      std::filesystem::remove(cover);
    else
      WriteAll(cover, MakeBmp(9000, 54, 8));
    dialogs.QueueFile(std::nullopt);
    form.Click("cmdopen");
    EXPECT_EQ(TakeBoxes().size(), 1u);
    EXPECT_EQ(state.coverPath, "");
    EXPECT_EQ(state.hasHiddenFile, 0);
    EXPECT_EQ(Text("Imagepre", "Picture"), "");
    EXPECT_EQ(Text("Text1"), "请选择宿主图片（BMP格式）");
    EXPECT_EQ(Text("Text2"), "请选择需要隐藏的文件（txt,doc,excel）");
    EXPECT_EQ(Text("Labtmp", "Caption"), "");
    EXPECT_EQ(Text("labfinish", "Caption"), "");
  }
  // A newly chosen picture that is refused leaves the current one as it was.
  WriteAll(cover, MakeBmp(9000));
  OpenCover(cover);
  OpenCover(dir.File("missing.bmp"));
  EXPECT_EQ(TakeBoxes().size(), 1u);
  EXPECT_EQ(state.coverPath, cover);
  EXPECT_EQ(Text("Text1"), "宿主图片:" + cover);
  EXPECT_EQ(Text("Imagepre", "Picture"), cover);
  EXPECT_EQ(Text("Text2"), "您可以加密的文件大小不超过2KB");
}

TEST_F(CoverInspectionTest, FilesTheHidingWouldRefuseAreNoBmp) {
  const std::string good = dir.File("good.bmp");
  WriteAll(good, MakeBmp(921654));
  OpenCover(good);
  Bytes inside_headers = MakeBmp(5000);
  PutU32(inside_headers, 10, 38);
  Bytes run_length = MakeBmp(5000);
  PutU32(run_length, 30, 1);
  Bytes os2_eight = MakeOs2Bmp(10, 8, 8);
  os2_eight[28] = 24;
  for (const Bytes& refused : {MakeIcon(), inside_headers, run_length, os2_eight}) {
    const std::string path = dir.File("refused.bmp");
    WriteAll(path, refused);
    OpenCover(path);
    EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"图片不是BMP格式，请选择BMP图片！", "Veilwright", 16}}));
    EXPECT_EQ(state.coverPath, good);
    EXPECT_EQ(ReadAll(path), refused);
  }
  // A 24-bit OS/2 picture is one.
  const std::string os2 = dir.File("os2.bmp");
  WriteAll(os2, MakeOs2Bmp(64, 64, 24));
  OpenCover(os2);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(state.coverPath, os2);
}

TEST_F(CoverInspectionTest, CapacityHintCountsOnlyThePixelArray) {
  // 40 x 40 pixels end at byte 4938; a profile of 9000 bytes follows.
  const std::string cover = dir.File("profile.bmp");
  WriteAll(cover, MakeV5BmpWithProfile(40, 40, 9000));
  OpenCover(cover);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(Text("Text2"), "您可以加密的文件大小不超过1KB");
}

TEST_F(CoverInspectionTest, CancellingInspectsTheCurrentPictureAgain) {
  dialogs.QueueFile(std::nullopt);
  form.Click("cmdopen");
  EXPECT_EQ(faults.reads, 0u);
  EXPECT_TRUE(controls.History().empty());

  const std::string cover = dir.File("c.bmp");
  WriteAll(cover, MakeBmp(9000));
  OpenCover(cover);
  Set("Text2", "Text", std::string("something else"));
  dialogs.QueueFile(std::nullopt);
  form.Click("cmdopen");
  EXPECT_EQ(Text("Text2"), "您可以加密的文件大小不超过2KB");
}

TEST_F(CoverInspectionTest, DroppedFileIsInspectedLikeAChosenOne) {
  const std::string cover = dir.File("drop.bmp");
  WriteAll(cover, MakeBmp(9000));
  form.FileDropped("Imagepre", cover);
  EXPECT_EQ(state.coverPath, cover);
  EXPECT_EQ(Text("Text1"), "宿主图片:" + cover);
}

// Both password boxes follow the tick, whichever way it goes.
TEST_F(StartUpTest, PasswordBoxesFollowTheTick) {
  Load();
  for (const double value : {1.0, 0.0, 1.0, 0.0}) {
    Set("ChkPassword", "Value", value);
    form.Click("ChkPassword");
    EXPECT_EQ(GetFlag(controls, "Text4", "Enabled"), value != 0) << value;
    EXPECT_EQ(GetFlag(controls, "Text5", "Enabled"), value != 0) << value;
  }
}

// The clear box's greyed third state, clicked into as from the stored
// preference, wipes like a tick; only an empty box keeps the picture's file.
TEST_F(StartUpTest, ClearBoxGreyedByAClickCountsAsTicked) {
  Load();
  for (const double value : {2.0, 0.0, 2.0, 1.0, 0.0}) {
    Set("ChkclearBmp", "Value", value);
    form.Click("ChkclearBmp");
    EXPECT_EQ(state.clearAfterExtract, value != 0) << value;
  }
  Set("ChkclearBmp", "Value", 2.0);
  form.Click("ChkclearBmp");
  const std::string cover = dir.File("grey.bmp");
  WriteAll(cover, ReferenceHide(MakeBmp(9000), RandomBytes(30, 1), "txt", "", false));
  OpenCover(cover);
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes().back(), (Box{"    文件已清除    ", "消息", 64}));
  EXPECT_EQ(U32At(ReadAll(cover), 6), 0u);
}

class PayloadSelectionTest : public WindowFixture {
 protected:
  void SetUp() override { Load(); }
};

TEST_F(PayloadSelectionTest, RefusedWithoutACleanPicture) {
  form.Click("CmdMsgSelect");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"请先选择图片！", "注意", 64}}));
  const std::string cover = dir.File("m.bmp");
  WriteAll(cover, ReferenceHide(MakeBmp(500), RandomBytes(3, 1), "txt", "", false));
  OpenCover(cover);
  form.Click("CmdMsgSelect");
  form.FileDropped("Text2", dir.File("x.txt"));
  EXPECT_EQ(TakeBoxes(),
            (std::vector<Box>{{"图片里有信息，不可选择文件", "错误", 16}, {"图片里有信息，不可选择文件", "错误", 16}}));
  EXPECT_TRUE(dialogs.FileRequests().size() == 1);  // only the cover's dialog
}

TEST_F(PayloadSelectionTest, ExtensionRuleAndCancels) {
  const std::string cover = dir.File("c.bmp");
  WriteAll(cover, MakeBmp(9000));
  OpenCover(cover);

  dialogs.QueueFile(std::nullopt);
  form.Click("CmdMsgSelect");
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(Text("TxtName"), "");
  EXPECT_EQ(dialogs.FileRequests().back().title, "选择需要加密的文件");
  EXPECT_EQ(dialogs.FileRequests().back().filter, "*.*");

  ChoosePayload("/docs/notes.txt");
  EXPECT_EQ(state.hiddenExtension, "txt");
  EXPECT_EQ(Text("Text2"), "欲加密的文件:/docs/notes.txt");
  EXPECT_EQ(Text("TxtName"), "/docs/notes.txt");
  ChoosePayload("/docs/data.b.c");
  EXPECT_EQ(state.hiddenExtension, "b.c");

  for (const char* bad : {"/docs/report.docx", "/docs/README", "/docs/arch.tar.gz", "/docs/x.\xE6\x96\x87"}) {
    ChoosePayload(bad);
    EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"该文件名不被支持,请确认文件有且仅有3位扩展名！！！", "错误", 16}}));
    EXPECT_EQ(state.hiddenExtension, "msg");
    EXPECT_EQ(state.payloadPath, bad);
  }
  // Cancelling keeps the choice and judges its name again.
  dialogs.QueueFile(std::nullopt);
  form.Click("CmdMsgSelect");
  EXPECT_EQ(TakeBoxes().size(), 1u);
  EXPECT_EQ(state.payloadPath, "/docs/x.\xE6\x96\x87");

  // Choosing another clean cover keeps the file to hide.
  OpenCover(cover);
  EXPECT_EQ(Text("TxtName"), "/docs/x.\xE6\x96\x87");
  EXPECT_EQ(Text("Text2"), "您可以加密的文件大小不超过2KB");
}

}  // namespace
}  // namespace veil::test
