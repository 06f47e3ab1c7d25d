#include <filesystem>
#include <random>

#include "support/codec_fixture.h"
#include "support/reference_carrier.h"
#include "window/commands/command_texts.h"

namespace veil::test {
namespace {

using Box = ScriptedMessageBoxes::Box;
const std::string kFailureEmbed(texts::kEmbedFailure);
const std::string kFailureExtract(texts::kExtractFailure);
const std::string kProgress(texts::kProgressCaption);

class CodecRunsTest : public CodecFixture {
 protected:
  // Hides data (written to a file named name) in cover through RunEmbedding.
  RunReport Hide(const Bytes& cover, const Bytes& data, const std::string& extension = "txt",
                 const std::string& password = "", bool with_password = false) {
    WriteAll(CoverPath(), cover);
    WriteAll(PayloadPath(), data);
    state.coverPath = CoverPath();
    state.payloadPath = PayloadPath();
    state.hiddenExtension = extension;
    state.passwordLength = static_cast<std::uint8_t>(with_password ? password.size() : 0);
    state.passwordText = with_password ? password : "00000000";
    SetProperty(controls, "ChkPassword", "Value", with_password ? 1.0 : 0.0);
    // The extract command asks for the password before its run.
    state.enteredPassword = with_password ? std::optional<std::string>(password) : std::nullopt;
    return codec.RunEmbedding();
  }

  // Extracts from the picture at CoverPath() into OutputPath() through RunExtraction.
  RunReport Extract() {
    const Bytes picture = ReadAll(CoverPath());
    state.markerValue = static_cast<std::int32_t>(U32At(picture, 6) & 0xFFFFFF);
    files.Open(1, CoverPath(), OpenMode::kReadOnly);
    files.Open(2, OutputPath(), OpenMode::kCreateTruncate);
    RunReport report = codec.RunExtraction();
    files.CloseAll();
    return report;
  }

  std::string CoverPath() const { return dir.File("cover.bmp"); }
  std::string PayloadPath() const { return dir.File("payload.bin"); }
  std::string OutputPath() const { return dir.File("output.txt"); }
};

TEST_F(CodecRunsTest, RoundTripsMatchTheIndependentLayoutOnEverySizeAndOffset) {
  std::vector<std::size_t> sizes = {0, 1, 2, 3, 4, 10, 11, 12, 300};
  std::mt19937 random(99);
  for (int i = 0; i < 6; ++i) sizes.push_back(random() % 20000);
  for (std::uint32_t offset : {54u, 55u, 122u, 1078u}) {
    for (std::size_t size : sizes) {
      for (bool with_password : {false, true}) {
        SCOPED_TRACE("offset " + std::to_string(offset) + " size " + std::to_string(size) +
                     (with_password ? " with password" : ""));
        const Bytes cover =
            MakeBmp(offset + 12 + 12 * ((size + 2) / 3) + 37, offset, 24, static_cast<std::uint32_t>(size + offset));
        const Bytes data = RandomBytes(size, static_cast<std::uint32_t>(size * 31 + offset));
        state.hasHiddenFile = 0;
        ASSERT_TRUE(Hide(cover, data, "b.c", "pw5ch", with_password).ok());
        EXPECT_EQ(state.hasHiddenFile, 1);
        const Bytes picture = ReadAll(CoverPath());
        ASSERT_EQ(picture, ReferenceHide(cover, data, "b.c", "pw5ch", with_password));

        ASSERT_TRUE(Extract().ok());
        EXPECT_EQ(ReadAll(OutputPath()), data);
        EXPECT_EQ(ReadAll(CoverPath()), picture) << "extraction changed the picture";
      }
    }
  }
}

TEST_F(CodecRunsTest, ReadsPicturesMadeByTheIndependentImplementation) {
  const Bytes data = RandomBytes(1000, 4);
  WriteAll(CoverPath(), ReferenceHide(MakeBmp(5000, 70), data, "dat", "", false));
  ASSERT_TRUE(Extract().ok());
  EXPECT_EQ(ReadAll(OutputPath()), data);
}

TEST_F(CodecRunsTest, HeaderHoldsExtensionAndPasswordFields) {
  ASSERT_TRUE(Hide(MakeBmp(200), RandomBytes(10, 1), "JPG", "abcde", true).ok());
  const Bytes picture = ReadAll(CoverPath());
  EXPECT_EQ(U32At(picture, 6), 0x1800000Au);
  EXPECT_EQ(std::string(picture.begin() + 54, picture.begin() + 66), std::string("JPG\x05"
                                                                                 "abcde   "));

  ASSERT_TRUE(Hide(MakeBmp(200), RandomBytes(10, 1), "txt").ok());
  const Bytes plain = ReadAll(CoverPath());
  EXPECT_EQ(U32At(plain, 6), 0x1000000Au);
  EXPECT_EQ(std::string(plain.begin() + 54, plain.begin() + 66), std::string("txt\x00"
                                                                             "00000000",
                                                                             12));
  // Only the marker, the header and four groups change.
  const Bytes cover = MakeBmp(200);
  for (std::size_t i = 0; i < cover.size(); ++i) {
    const bool may_change = (i >= 6 && i < 10) || (i >= 54 && i < 54 + 12 + 48);
    if (!may_change) {
      ASSERT_EQ(plain[i], cover[i]) << i;
    }
  }
}

TEST_F(CodecRunsTest, EmbeddingShowsProgressAndCompletion) {
  SetProperty(controls, "labfinish", "Caption", std::string("earlier"));
  controls.ClearHistory();
  ASSERT_TRUE(Hide(MakeBmp(200), RandomBytes(10, 1)).ok());
  EXPECT_EQ(CaptionsOf("labfinish"), (std::vector<std::string>{"33%", "66%", "100%"}));
  EXPECT_EQ(CaptionsOf("Labtmp"), (std::vector<std::string>{kProgress, "加密完成！"}));
  EXPECT_EQ(pump.Yields(), 3);
  EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{"加密完成！", "消息", 64}}));

  controls.ClearHistory();
  ASSERT_TRUE(Hide(MakeBmp(200), {}).ok());
  EXPECT_TRUE(CaptionsOf("labfinish").empty());
  EXPECT_EQ(U32At(ReadAll(CoverPath()), 6), 0x10000000u);
}

TEST_F(CodecRunsTest, ExtractionShowsProgressAndKeepsEarlierTextWithoutWholeGroups) {
  ASSERT_TRUE(Hide(MakeBmp(200), RandomBytes(10, 1)).ok());
  controls.ClearHistory();
  ASSERT_TRUE(Extract().ok());
  EXPECT_EQ(CaptionsOf("labfinish"), (std::vector<std::string>{"33%", "66%", "100%"}));
  EXPECT_EQ(CaptionsOf("Labtmp"), (std::vector<std::string>{kProgress}));

  ASSERT_TRUE(Hide(MakeBmp(200), RandomBytes(2, 1)).ok());
  controls.ClearHistory();
  ASSERT_TRUE(Extract().ok());
  EXPECT_TRUE(CaptionsOf("labfinish").empty());
  EXPECT_EQ(ReadAll(OutputPath()), RandomBytes(2, 1));
}

TEST_F(CodecRunsTest, TooLargeFilesAreRefusedBeforeAnythingIsWritten) {
  // 640 x 480: 230,397 bytes fit, one more does not.
  const Bytes cover = MakeBmp(921654);
  ASSERT_EQ(Hide(cover, RandomBytes(230398, 2)).outcome, RunOutcome::kTooLarge);
  EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{"文件太大，无法完成加密保护！", "注意", 16}}));
  EXPECT_EQ(ReadAll(CoverPath()), cover);
  EXPECT_EQ(state.hasHiddenFile, 0);
  EXPECT_FALSE(files.IsOpen(1) || files.IsOpen(2));
  boxes.Clear();
  ASSERT_TRUE(Hide(cover, RandomBytes(230397, 2)).ok());
}

TEST_F(CodecRunsTest, FilesBeyondTheLengthFieldAreRefused) {
  // A sparse payload one byte over 16,777,215, in a picture that has room.
  const Bytes cover = MakeBmp(1000);
  WriteAll(CoverPath(), cover);
  std::filesystem::resize_file(CoverPath(), 80 * 1024 * 1024);
  const Bytes big_cover = ReadAll(CoverPath());
  WriteAll(PayloadPath(), {});
  std::filesystem::resize_file(PayloadPath(), 16777216);
  state.coverPath = CoverPath();
  state.payloadPath = PayloadPath();
  state.hiddenExtension = "txt";
  const RunReport report = codec.RunEmbedding();
  EXPECT_EQ(report.outcome, RunOutcome::kTooLarge);
  EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{"文件太大，无法完成加密保护！", "注意", 16}}));
  EXPECT_EQ(U32At(ReadAll(CoverPath()), 6), 0u);
}

TEST_F(CodecRunsTest, UnusablePixelOffsetsAreNoCoverAndWriteNothing) {
  // Inside the headers (38 is what real fuzz files hold), or with the pixel
  // array running past the end of the file.
  for (std::uint32_t bad : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 5000u, 13u, 38u, 53u, 195u}) {
    Bytes cover = MakeBmp(200);
    PutU32(cover, 10, bad);
    boxes.Clear();
    EXPECT_EQ(Hide(cover, RandomBytes(3, 1)).outcome, RunOutcome::kFailed) << bad;
    EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{"图片不是BMP格式，请选择BMP图片！", "Veilwright", 16}}));
    EXPECT_EQ(ReadAll(CoverPath()), cover) << bad;
    EXPECT_EQ(state.hasHiddenFile, 0);
  }
}

TEST_F(CodecRunsTest, ReadOnlyCoverFailsBeforeAnyByteChanges) {
  const Bytes cover = MakeBmp(200);
  faults.only_path = CoverPath();
  faults.refuse_writable_open = true;
  state.hasHiddenFile = 5;
  EXPECT_EQ(Hide(cover, RandomBytes(3, 1)).outcome, RunOutcome::kFailed);
  EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{kFailureEmbed, "Veilwright", 16}}));
  EXPECT_EQ(ReadAll(CoverPath()), cover);
  EXPECT_EQ(state.hasHiddenFile, 5);
}

TEST_F(CodecRunsTest, MissingCoverIsNeverCreated) {
  state.coverPath = dir.File("gone.bmp");
  WriteAll(PayloadPath(), RandomBytes(3, 1));
  state.payloadPath = PayloadPath();
  const RunReport report = codec.RunEmbedding();
  EXPECT_EQ(report.outcome, RunOutcome::kFailed);
  EXPECT_NE(report.detail.find("gone.bmp"), std::string::npos);
  EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{kFailureEmbed, "Veilwright", 16}}));
  EXPECT_FALSE(std::filesystem::exists(state.coverPath));
  EXPECT_FALSE(files.IsOpen(1) || files.IsOpen(2));
}

// A write that fails at any point of the run leaves no marker: the picture
// never claims a file it does not hold.
TEST_F(CodecRunsTest, AWriteFailureAnywhereLeavesThePictureUnmarked) {
  const Bytes cover = MakeBmp(54 + 12 + 12 * 40000 + 5);
  const Bytes data = RandomBytes(120000, 8);
  for (std::uint64_t limit : {0ull, 11ull, 12ull, 65536ull, 300000ull, 480011ull, 480012ull}) {
    faults = FaultPlan{};
    faults.only_path = CoverPath();
    faults.fail_writes_after_bytes = limit;
    boxes.Clear();
    state.hasHiddenFile = 0;
    EXPECT_EQ(Hide(cover, data).outcome, RunOutcome::kFailed) << limit;
    EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{kFailureEmbed, "Veilwright", 16}}));
    EXPECT_EQ(U32At(ReadAll(CoverPath()), 6), 0u) << limit;
    EXPECT_EQ(state.hasHiddenFile, 0);
    EXPECT_FALSE(files.IsOpen(1) || files.IsOpen(2));
  }
}

// The marker, which makes the picture claim a file, is the very last write,
// and a sync that follows every other write of the run comes before it.
TEST_F(CodecRunsTest, TheMarkerIsWrittenLastAndOnlyAfterASync) {
  ASSERT_TRUE(Hide(MakeBmp(54 + 12 + 12 * 30000), RandomBytes(90000, 4)).ok());
  const auto events = faults.EventsOf(CoverPath());
  ASSERT_GE(events.size(), 3u);
  const FileEvent& marker = events.back();
  EXPECT_EQ(marker.kind, FileEvent::Kind::kWrite);
  EXPECT_EQ(marker.offset, 6u);
  EXPECT_EQ(marker.size, 4u);
  EXPECT_EQ(events[events.size() - 2].kind, FileEvent::Kind::kSync);
  for (std::size_t i = 0; i + 2 < events.size(); ++i) {
    EXPECT_EQ(events[i].kind, FileEvent::Kind::kWrite) << i;
    EXPECT_GE(events[i].offset, 54u) << "a header byte was written before the groups were synced";
  }
}

TEST_F(CodecRunsTest, ExtractionNeverInventsBytesFromATruncatedPicture) {
  ASSERT_TRUE(Hide(MakeBmp(54 + 12 + 12 * 100), RandomBytes(300, 3)).ok());
  Bytes picture = ReadAll(CoverPath());
  picture.resize(picture.size() - 1);
  WriteAll(CoverPath(), picture);
  boxes.Clear();
  const RunReport report = Extract();
  EXPECT_EQ(report.outcome, RunOutcome::kFailed);
  EXPECT_NE(report.detail.find("damaged"), std::string::npos);
  // Damage has its own message, not the output file's.
  EXPECT_EQ(boxes.Shown(),
            (std::vector<Box>{{std::string(texts::kPictureDamaged), std::string(texts::kErrorTitle), 16}}));
  EXPECT_TRUE(ReadAll(OutputPath()).empty());
}

TEST_F(CodecRunsTest, AFailingOutputIsReportedOnceAndTheRunSaysSo) {
  ASSERT_TRUE(Hide(MakeBmp(54 + 12 + 12 * 100), RandomBytes(300, 3)).ok());
  boxes.Clear();
  faults = FaultPlan{};
  faults.only_path = OutputPath();
  faults.fail_writes_after_bytes = 0;
  const RunReport report = Extract();
  EXPECT_EQ(report.outcome, RunOutcome::kFailed);
  EXPECT_EQ(boxes.Shown(), (std::vector<Box>{{kFailureExtract, "Veilwright", 16}}));
  EXPECT_TRUE(ReadAll(OutputPath()).empty());
}

}  // namespace
}  // namespace veil::test
