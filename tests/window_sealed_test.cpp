// Sealed pictures in the window's commands: the masked password box and its
// Cancel, the key derivation done aside while the window keeps working, and
// what the user is told when the seal does not open.
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>

#include "codec/plain/runs.h"
#include "files/memory_file.h"
#include "support/raw_names.h"
#include "support/reference_carrier.h"
#include "support/window_fixture.h"

namespace veil::test {
namespace {

constexpr codec::SealParams kCheap{1, 8, 16};  // the least libsodium derives with

class WindowSealedTest : public WindowFixture {
 protected:
  void SetUp() override {
    Load();
    cover = dir.File("sealed.bmp");
    output = state.outputFolder + "output.pdf";
  }

  // A picture holding data sealed under password with params.
  Bytes Sealed(const Bytes& data, const std::string& password, codec::SealParams params = kCheap) {
    const auto key = codec::SealKey::Derive(password, params);
    EXPECT_TRUE(key);
    auto bytes = std::make_shared<Bytes>(MakeBmp(54 + 12 + 12 * ((data.size() + 4096) / 3 + 1)));
    MemoryFile picture(bytes), payload(std::make_shared<Bytes>(data));
    codec::RunObserver quiet;
    EXPECT_TRUE(codec::Embed({picture, payload, nullptr, "pdf", std::nullopt, &*key}, quiet).ok());
    return *bytes;
  }
  void OpenSealed(const Bytes& picture) {
    WriteAll(cover, picture);
    OpenCover(cover);
    TakeBoxes();
    boxes.Clear();
  }
  bool Written() const { return std::filesystem::exists(output); }

  using Prompt = ScriptedMessageBoxes::Box;
  const Prompt kMaskedPrompt{"请输入密码： ", "核实权限", ScriptedMessageBoxes::kMasked};
  Bytes data = RandomBytes(3000, 5);
  std::string cover, output;
};

TEST_F(WindowSealedTest, AMaskedBoxAsksThePasswordAndTheSealOpens) {
  OpenSealed(Sealed(data, "密码 pw"));
  EXPECT_EQ(Text("Labtmp", "Caption"), "图片内有密封的文件");
  EXPECT_EQ(Text("Text2"), "密封的文件将在输入密码后解压到：" + state.outputFolder);
  boxes.QueueSecret("密码 pw");
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(boxes.Prompts(), std::vector<Prompt>{kMaskedPrompt});
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   加密文件即将解压到：  " + output, "准备开始", 64},
                                           {" 文件解密完成！", "完成", 64},
                                           {"     您现在查看文件吗？     ", "选择", 36}}));
  EXPECT_EQ(ReadAll(output), data);
  EXPECT_EQ(Text("Text2"), "加密文件将被解压到：" + output);
}

// Cancel ends the command: no empty password is tried, nothing is said or
// written, and the picture is let go.
TEST_F(WindowSealedTest, CancelInThePasswordBoxCancels) {
  OpenSealed(Sealed(data, ""));  // the empty password would open it
  bool waited = false;
  pump.OnYield([&] { waited = waited || pump.Waiting(); });
  boxes.QueueSecret(std::nullopt);
  form.Click("cmdout");
  EXPECT_EQ(boxes.Prompts(), std::vector<Prompt>{kMaskedPrompt});
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_FALSE(waited);
  EXPECT_FALSE(Written());
  EXPECT_FALSE(files.IsOpen(1));
  EXPECT_EQ(Text("Labtmp", "Caption"), "图片内有密封的文件");
}

// The derivation runs aside: the window's messages keep flowing while it
// works, the window shows that it waits and why, and afterwards the status
// is what it was.
TEST_F(WindowSealedTest, TheKeyIsDerivedAsideWithTheWindowWorking) {
  const codec::SealParams slow{2, 32 * 1024, 16};
  OpenSealed(Sealed(data, "right", slow));
  int busy_yields = 0;
  pump.OnYield([&] {
    if (pump.Waiting() && Text("Labtmp", "Caption") == "正在验证密码，请稍候……" && boxes.Shown().empty()) ++busy_yields;
  });
  boxes.QueueSecret("wrong");
  form.Click("cmdout");
  EXPECT_GT(busy_yields, 0) << "the window did nothing while the key was derived";
  EXPECT_FALSE(pump.Waiting());
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"对不起，您无权取出文件！", "密码不正确", 16}}));
  EXPECT_EQ(Text("Labtmp", "Caption"), "图片内有密封的文件");
  EXPECT_FALSE(Written());

  busy_yields = 0;
  boxes.QueueSecret("right");
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_GT(busy_yields, 0);
  EXPECT_EQ(ReadAll(output), data);
}

TEST_F(WindowSealedTest, WhatIsSaidWhenTheSealDoesNotOpen) {
  // One bit of the second chunk's pixels changed after sealing.
  const Bytes big = RandomBytes(150000, 8);
  Bytes changed = Sealed(big, "pw");
  changed[54 + 12 + 12 * 30000] ^= 1;
  OpenSealed(changed);
  boxes.QueueSecret("pw");
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"   加密文件即将解压到：  " + output, "准备开始", 64},
                                           {"图片在密封之后被改动过，密封的文件无法取出！", "错误", 16}}));
  EXPECT_FALSE(Written());

  // Asking more of the key derivation than the program gives.
  OpenSealed(Sealed(data, "pw", {1000, 8, 16}));
  boxes.QueueSecret("pw");
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(),
            (std::vector<Box>{
                {"这张图片中的密封文件需要的内存或时间超出本软件的限制，或者格式无法识别，无法取出！", "错误", 16}}));

  // Cut short after sealing.
  Bytes cut = Sealed(big, "pw");
  OpenSealed(cut);
  cut.resize(cut.size() / 2);
  WriteAll(cover, cut);
  boxes.QueueSecret("pw");
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{"图片中的密封文件已损坏，无法取出！", "错误", 16}}));
  EXPECT_FALSE(Written());
}

// A seal that names its file (layout 2): the file goes under that name
// into the output folder, and an existing file there is replaced only when
// the user says so.
TEST_F(WindowSealedTest, ANamedSealIsExtractedUnderItsNameAskingBeforeReplacing) {
  const auto key = codec::SealKey::Derive("pw", kCheap);
  ASSERT_TRUE(key);
  auto bytes = std::make_shared<Bytes>(MakeBmp(54 + 12 + 12 * ((data.size() + 4096) / 3 + 1)));
  MemoryFile picture(bytes), payload(std::make_shared<Bytes>(data));
  codec::RunObserver quiet;
  codec::EmbedRequest request{picture, payload, nullptr, "pdf", std::nullopt, &*key};
#ifdef _WIN32
  // The tests' own file helpers name files in the ANSI code page there.
  const std::string name = "Q3 report.tar.gz";
#else
  const std::string name = "季度 report.tar.gz";
#endif
  request.file_name = name;
  ASSERT_TRUE(codec::Embed(request, quiet).ok());
  OpenSealed(*bytes);
  const std::string named = state.outputFolder + name;
  const Bytes kept(500, 0xCD);
  WriteAll(named, kept);
  const Box question{"这个文件已经存在，要用解压出来的文件替换它吗？\n" + named, "警告！", kStyleQuestionYesNoDefaultNo};
  boxes.QueueSecret("pw");
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), std::vector<Box>{question});
  EXPECT_EQ(ReadAll(named), kept);

  boxes.QueueSecret("pw");
  boxes.QueueAnswer(kAnswerYes);
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{question,
                                           {"   加密文件即将解压到：  " + named, "准备开始", 64},
                                           {" 文件解密完成！", "完成", 64},
                                           {"     您现在查看文件吗？     ", "选择", 36}}));
  EXPECT_EQ(ReadAll(named), data);
  EXPECT_EQ(Text("Text2"), "加密文件将被解压到：" + named);
  EXPECT_FALSE(Written());  // no output.pdf beside it
}

// A name the picture claims is made safe: the file lands inside the
// output folder whatever the seal says.
TEST_F(WindowSealedTest, AClaimedPathLandsInsideTheOutputFolder) {
  const auto key = codec::SealKey::Derive("pw", kCheap);
  ASSERT_TRUE(key);
  OpenSealed(SealedWithRawName("../../escaped.txt", data, *key));
  boxes.QueueSecret("pw");
  boxes.QueueAnswer(kAnswerNo);
  form.Click("cmdout");
  const std::string inside = state.outputFolder + "escaped.txt";
  EXPECT_EQ(ReadAll(inside), data);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(state.outputFolder) / ".." / ".." / "escaped.txt"));
}

// Choosing another output folder for a sealed picture, before its password
// has told the extension, names the new folder.
TEST_F(WindowSealedTest, TheOutputFolderFollowsTheChoice) {
  OpenSealed(Sealed(data, "pw"));
  const std::string elsewhere = (dir.Path() / "elsewhere").string();
  dialogs.QueueFolder(elsewhere);
  form.Click("cmdchgOutPath");
  EXPECT_EQ(Text("Text2"), "密封的文件将在输入密码后解压到：" + elsewhere + environment.separator);
  EXPECT_TRUE(boxes.Shown().empty());
}

#ifndef _WIN32
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

std::size_t VirtualSize() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmSize:", 0) == 0) return std::stoul(line.substr(7)) * 1024;
  return 0;
}

// A picture that asks the derivation for 1 GiB, in a process that cannot
// have it (as a 32-bit Windows program often cannot): the user is told what
// it needs, and nothing is written.
TEST_F(WindowSealedTest, MemoryTheDerivationCannotHaveIsSaidPlainly) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit allows";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The cheap seal's parameters rewritten to 1 GiB; the derivation fails
  // before the changed parameters could be noticed.
  Bytes picture = Sealed(data, "pw");
  const std::uint32_t p = U32At(picture, 10);
  Bytes hidden = ReferenceExtract(picture).data;
  PutU32(hidden, 8, 1024 * 1024);
  Bytes asking = ReferenceHide(picture, hidden, "pdf", "", false);
  std::copy(picture.begin() + 6, picture.begin() + 10, asking.begin() + 6);
  std::copy(picture.begin() + p, picture.begin() + p + 12, asking.begin() + p);
  OpenSealed(asking);
  auto extract_within_the_limit = [&] {
    const rlim_t room = VirtualSize() + (512u << 20);
    const rlimit limit{room, room};
    setrlimit(RLIMIT_AS, &limit);
    boxes.QueueSecret("pw");
    form.Click("cmdout");
    const auto shown = boxes.Shown();
    const Box plainly{
        "验证这张图片的密码需要1024MB内存，本机未能分配这么多内存（32位Windows程序通常无法分配1GB），文件无法取出！"
        "请关闭其他程序后重试，或在64位系统上取出。",
        "错误", 16};
    const bool said = shown.size() == 1 && shown[0] == plainly;
    std::fprintf(stderr, "%s\n", said ? "said plainly" : (shown.empty() ? "nothing said" : shown[0].text.c_str()));
    _exit(said && !Written() ? 0 : 1);
  };
  EXPECT_EXIT(extract_within_the_limit(), ::testing::ExitedWithCode(0), "said plainly");
}
#endif

}  // namespace
}  // namespace veil::test
